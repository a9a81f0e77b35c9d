#include "ui/dialogs/KorimoDialog.h"

#include <cmath>

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMetaObject>
#include <QPushButton>
#include <QShowEvent>
#include <QWidget>

#include "engine/Korimocom.h"
#include "ui/forms/Twips.h"

namespace korimo::ui {

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
