#include "ui/forms/KeyCodes.h"

#include <QKeyEvent>
#include <QWidget>

namespace korimo::ui {

int VirtualKeyOf(const QKeyEvent& event) {
  const int key = event.key();
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;  // 'A'..'Z'
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return key;  // '0'..'9'
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Clear: return 12;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Meta: return 91;
    case Qt::Key_Menu: return 93;
    case Qt::Key_NumLock: return 144;
    case Qt::Key_ScrollLock: return 145;
    // Shifted symbols report the key they sit on (US layout), so that for
    // instance "!" is never mistaken for Page Up (both 0x21 as Qt keys).
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_Asterisk: return '8';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_ParenRight: return '0';
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return 186;
    case Qt::Key_Equal:
    case Qt::Key_Plus: return 187;
    case Qt::Key_Comma:
    case Qt::Key_Less: return 188;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return 189;
    case Qt::Key_Period:
    case Qt::Key_Greater: return 190;
    case Qt::Key_Slash:
    case Qt::Key_Question: return 191;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return 192;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return 219;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return 220;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return 221;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return 222;
    default: return kUnmappedKey;
  }
}

int KeyCharOf(const QKeyEvent& event) {
  switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Delete: return 0;  // Delete types no character on Windows
    default: break;
  }
  const QString text = event.text();
  if (text.isEmpty()) return 0;
  const int code = text.at(0).unicode();
  return code == 0x7f ? 0 : code;
}

bool IsCaretMovementKey(int keyCode) {
  constexpr int kPageUp = 33, kPageDown = 34, kLeft = 37, kDown = 40;
  return keyCode == kPageUp || keyCode == kPageDown || (keyCode >= kLeft && keyCode <= kDown);
}

int ShiftStateOf(const QKeyEvent& event) {
  const Qt::KeyboardModifiers m = event.modifiers();
  return ((m & Qt::ShiftModifier) ? 1 : 0) | ((m & Qt::ControlModifier) ? 2 : 0) | ((m & Qt::AltModifier) ? 4 : 0);
}

KeyHandlerFilter::KeyHandlerFilter(QWidget* target, KeyDown keyDown, KeyPress keyPress, bool swallowInputMethod)
    : QObject(target), keyDown_(std::move(keyDown)), keyPress_(std::move(keyPress)), swallowInputMethod_(swallowInputMethod) {
  target->installEventFilter(this);
}

bool KeyHandlerFilter::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      const auto& key = static_cast<const QKeyEvent&>(*event);
      if (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) return false;
      int keyCode = VirtualKeyOf(key);
      if (keyDown_) keyDown_(keyCode, ShiftStateOf(key));
      if (keyCode == 0) return true;
      int keyAscii = KeyCharOf(key);
      if (keyAscii != 0 && keyPress_) {
        keyPress_(keyAscii);
        if (keyAscii == 0) return true;
      }
      return false;
    }
    case QEvent::InputMethod:
      // Composition and commit strings bypass the key events altogether.
      return swallowInputMethod_;
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace korimo::ui
