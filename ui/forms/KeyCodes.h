// The Windows key codes the forms' key handlers work with, and the filter that
// routes a text box's keys through a KeyDown and a KeyPress handler the way
// Windows does. The main window and the dialogs share them.
#pragma once

#include <functional>

#include <QObject>

class QKeyEvent;
class QWidget;

namespace korimo::ui {

// The Windows virtual-key code a key event stands for (13 Enter, 33/34 Page
// Up/Down, 35 End, 36 Home, 37-40 arrows, 46 Delete, 'A'-'Z', ...). A key with
// no Windows counterpart gets kUnmappedKey, never 0 (0 means "swallowed").
inline constexpr int kUnmappedKey = 255;
int VirtualKeyOf(const QKeyEvent& event);
// The character code the key types (13 for Enter, 8 for Backspace, the UTF-16
// code of a printable character), or 0 when it types none.
int KeyCharOf(const QKeyEvent& event);
// Page Up, Page Down and the four arrows: the keys a display-only text box
// lets through to move the caret (Home, End and every editing key are not).
bool IsCaretMovementKey(int keyCode);
// Shift 1, Ctrl 2, Alt 4, as the KeyDown handlers receive them.
int ShiftStateOf(const QKeyEvent& event);

// Routes a text box's key events through a KeyDown and a KeyPress handler the
// way Windows does: a handler that sets the code to 0 swallows the key. Tab
// and Backtab stay with the dialog's focus navigation. Optionally swallows
// input-method composition too, for boxes whose text must not change.
class KeyHandlerFilter : public QObject {
 public:
  using KeyDown = std::function<void(int& keyCode, int shift)>;
  using KeyPress = std::function<void(int& keyAscii)>;

  KeyHandlerFilter(QWidget* target, KeyDown keyDown, KeyPress keyPress, bool swallowInputMethod);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  KeyDown keyDown_;
  KeyPress keyPress_;
  bool swallowInputMethod_;
};

}  // namespace korimo::ui
