// What the four dialogs share: the twip layout, the Windows key codes their
// key handlers work with, the memo line-break convention, and the base class
// that gives every dialog the load / activate / hide / unload life cycle.
#pragma once

#include <functional>
#include <string>

#include <QDialog>
#include <QFont>
#include <QRect>
#include <QString>

class QPlainTextEdit;

class QKeyEvent;
class QWidget;

namespace korimo::ui {

// ---- Layout ----------------------------------------------------------------
// The forms are laid out in twips; 15 twips make one pixel at 96 dpi.
int Pixels(int twips);
QRect TwipsRect(int left, int top, int width, int height);

// The main window set with SetDialogOwner (may be null).
QWidget* DialogOwner();

// Puts the dialog's outer frame centred over the owner's outer frame.
// Does nothing when there is no owner.
void CentreOverOwner(QWidget* dialog);

// The memo boxes' font: "ＭＳ ゴシック" 9 pt, falling back to a monospace face.
QFont MemoFont();

// The memo box of the entry and display dialogs, identical in both so that a
// memo looks the same: multi-line, vertical scroll bar, memo font.
QPlainTextEdit* MakeMemoBox(QWidget* dialog);

// ---- Keys --------------------------------------------------------------------
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

// ---- Memo text ---------------------------------------------------------------
// The memo is kept with CR LF line breaks (as a Windows text box holds them);
// the Qt text widgets use "\n".
QString MemoToDisplay(const std::string& memo);
std::string DisplayToMemo(const QString& shown);

// ---- The dialog life cycle ---------------------------------------------------
// A fixed-size modal form. Constructing it is its load; hiding it ends the
// modal run and keeps it loaded; the title-bar close button asks for it to be
// unloaded (the opener deletes it, so the next opening loads it afresh).
// Form_Activate runs on the window's activation, and only while DialogOpening
// is 1, so a later re-activation (after a message box of its own) changes nothing.
class KorimoDialog : public QDialog {
  Q_OBJECT
 public:
  bool unloadRequested() const { return unloadRequested_; }

 protected:
  // clientWidth/Height in twips. escapeCloses: the form has a cancel button.
  KorimoDialog(QWidget* owner, int clientWidthTwips, int clientHeightTwips, bool escapeCloses);

  virtual void Form_Activate() {}
  void requestUnload() { unloadRequested_ = true; }

  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void activateOnce();

  bool unloadRequested_ = false;
  bool activating_ = false;
  bool escapeCloses_;
};

}  // namespace korimo::ui
