#include "ui/dialogs/DialogSupport.h"

#include <cmath>

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QWidget>

#include "engine/Korimocom.h"

namespace korimo::ui {

// ---- Layout ----------------------------------------------------------------

namespace {
constexpr double kTwipsPerPixel = 15.0;
}

int Pixels(int twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

QRect TwipsRect(int left, int top, int width, int height) {
  return QRect(Pixels(left), Pixels(top), Pixels(width), Pixels(height));
}

void CentreOverOwner(QWidget* dialog) {
  QWidget* owner = DialogOwner();
  if (!owner || !dialog) return;
  const QRect ownerFrame = owner->frameGeometry();
  // Before its first showing the dialog has no frame yet; assume it gets the
  // same decoration as the main window so the outer sizes are compared.
  QSize dialogFrame = dialog->frameGeometry().size();
  if (!dialog->testAttribute(Qt::WA_WState_Created) || dialogFrame == dialog->size()) {
    const QSize decoration = ownerFrame.size() - owner->geometry().size();
    dialogFrame = dialog->size() + decoration;
  }
  const int left = ownerFrame.left() + static_cast<int>(std::lround((ownerFrame.width() - dialogFrame.width()) / 2.0));
  const int top = ownerFrame.top() + static_cast<int>(std::lround((ownerFrame.height() - dialogFrame.height()) / 2.0));
  dialog->move(left, top);  // a window's position is that of its outer frame
}

QFont MemoFont() {
  QFont font(QStringLiteral("ＭＳ ゴシック"), 9);
  font.setWeight(QFont::Normal);
  // Without the Windows face, fall back to a monospace one so the memo
  // looks the same in both memo boxes.
  font.setStyleHint(QFont::TypeWriter);
  return font;
}

QPlainTextEdit* MakeMemoBox(QWidget* dialog) {
  auto* box = new QPlainTextEdit(dialog);
  box->setObjectName(QStringLiteral("Text1"));
  box->setGeometry(TwipsRect(240, 480, 4185, 1845));
  box->setFont(MemoFont());
  box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  box->setTabChangesFocus(true);  // Tab moves on, as in a dialog's text box
  return box;
}

// ---- Keys --------------------------------------------------------------------

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

// ---- Memo text ---------------------------------------------------------------

QString MemoToDisplay(const std::string& memo) {
  QString shown = QString::fromStdString(memo);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

std::string DisplayToMemo(const QString& shown) {
  QString memo = shown;
  memo.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  memo.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  memo.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return memo.toStdString();
}

// ---- The dialog life cycle ---------------------------------------------------

KorimoDialog::KorimoDialog(QWidget* owner, int clientWidthTwips, int clientHeightTwips, bool escapeCloses)
    : QDialog(owner), escapeCloses_(escapeCloses) {
  // Fixed border: a title and a close button, no minimise or maximise button.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(Pixels(clientWidthTwips), Pixels(clientHeightTwips));
  setSizeGripEnabled(false);
  setModal(true);
}

void KorimoDialog::activateOnce() {
  if (activating_ || Korimocom::DialogOpening != 1) return;
  activating_ = true;  // a message box shown by the set-up must not start it again
  Form_Activate();
  activating_ = false;
}

bool KorimoDialog::event(QEvent* event) {
  const bool handled = QDialog::event(event);
  if (event->type() == QEvent::WindowActivate) activateOnce();
  return handled;
}

void KorimoDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Should the window manager never activate the dialog, the set-up still
  // runs once the modal loop is going (it may hide the dialog, which must not
  // happen before the loop has started).
  if (!event->spontaneous()) {
    QMetaObject::invokeMethod(this, [this] { if (isVisible()) activateOnce(); }, Qt::QueuedConnection);
  }
}

void KorimoDialog::closeEvent(QCloseEvent* event) {
  unloadRequested_ = true;
  QDialog::closeEvent(event);
}

void KorimoDialog::keyPressEvent(QKeyEvent* event) {
  // Without a cancel button Escape does nothing: OK and the close button are
  // the only ways out.
  if (event->key() == Qt::Key_Escape && !escapeCloses_) {
    event->accept();
    return;
  }
  // As in a Windows dialog, Enter presses the push button that has the focus.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
    if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && !button->autoDefault()) {
      button->click();
      event->accept();
      return;
    }
  }
  QDialog::keyPressEvent(event);
}

}  // namespace korimo::ui
