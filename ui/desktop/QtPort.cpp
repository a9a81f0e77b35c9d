#include "ui/desktop/QtPort.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "platform/sdl/SoundService.h"
#include "ui/desktop/FileDialogs.h"
#include "ui/desktop/MessageTranslation.h"
#include "ui/dialogs/Dialogs.h"

namespace korimo::ui {

Answer QtPort::MessageBox(const std::string& text, Buttons buttons, Icon icon) {
  QMessageBox box(OwnerWindow());
  box.setWindowTitle(QString::fromUtf8(msg::kAppTitle));
  box.setText(TranslatedMessage(text));
  box.setIcon(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon);
  box.setWindowModality(Qt::ApplicationModal);
  if (buttons == Buttons::YesNo) {
    // Yes is the default; there is no Cancel, so Escape and the close box mean No.
    QPushButton* yes = box.addButton(QCoreApplication::translate("QtPort", "はい(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QCoreApplication::translate("QtPort", "いいえ(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes ? Answer::Yes : Answer::No;
  }
  QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.exec();
  return Answer::Ok;
}

std::optional<std::string> QtPort::AskPassword() {
  // The dialog reads and writes the working set, as every form does: it
  // clears OperationFailed only when it accepts an entry into Password.
  Korimocom::DialogOpening = 1;
  ShowPassin();
  if (Korimocom::OperationFailed != 0) return std::nullopt;
  return Korimocom::Password;
}

void QtPort::SetWaitCursor(bool wait) {
  if (wait == waitCursorShown_) return;
  if (wait) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    // Clear every level, in case something else pushed one meanwhile.
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  }
  waitCursorShown_ = wait;
}

void QtPort::DoEvents() { QCoreApplication::processEvents(); }

PlayResult QtPort::PlaySound(const std::string& path) { return sound::PlayWavFile(path); }
PlayResult QtPort::PlaySoundBytes(const std::uint8_t* wav, std::size_t size) { return sound::PlayWavBytes(wav, size); }

}  // namespace korimo::ui
