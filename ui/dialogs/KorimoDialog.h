// The base of the dialogs: a fixed-size modal form with the load / activate /
// hide / unload life cycle, placed centred over the main window.
#pragma once

#include <QDialog>

class QWidget;

namespace korimo::ui {

// The main window set with SetDialogOwner (may be null).
QWidget* DialogOwner();

// Puts the dialog's outer frame centred over the owner's outer frame.
// Does nothing when there is no owner.
void CentreOverOwner(QWidget* dialog);

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
