#include "tests/dialogs/DialogTestKit.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "ui/dialogs/Dialogs.h"

namespace korimo::test {

BoxPlatform::BoxPlatform() { platform::SetCurrent(this); }
BoxPlatform::~BoxPlatform() { platform::SetCurrent(nullptr); }

platform::Answer BoxPlatform::MessageBox(const std::string& text, platform::Buttons buttons, platform::Icon icon) {
  QMessageBox box(QApplication::activeModalWidget());
  box.setWindowTitle(QString::fromUtf8(msg::kAppTitle));
  box.setText(QString::fromStdString(text));
  box.setIcon(icon == platform::Icon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon);
  box.setWindowModality(Qt::ApplicationModal);
  if (buttons == platform::Buttons::YesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes ? platform::Answer::Yes : platform::Answer::No;
  }
  box.setStandardButtons(QMessageBox::Ok);
  box.setDefaultButton(QMessageBox::Ok);
  box.exec();
  return platform::Answer::Ok;
}

std::optional<std::string> BoxPlatform::AskPassword() {
  Korimocom::DialogOpening = 1;
  ui::ShowPassin();
  if (Korimocom::OperationFailed != 0) return std::nullopt;
  return Korimocom::Password;
}

BoxAnswerer::BoxAnswerer() {
  connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
  timer_.start(10);
}

void BoxAnswerer::poll() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (!box || !box->isVisible()) return;
  boxes.push_back({box->text(), box->windowTitle(), box->icon()});
  if (QAbstractButton* button = box->defaultButton()) {
    button->click();
  } else {
    box->accept();
  }
}

DialogDriver::DialogDriver(std::vector<Step> steps) : steps_(std::move(steps)) {
  connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
  clock_.start();
  timer_.start(10);
}

DialogDriver::~DialogDriver() { timer_.stop(); }

void DialogDriver::poll() {
  QWidget* modal = QApplication::activeModalWidget();
  if (finished()) {
    // Done once the dialog the steps ran against has gone.
    if (!dialog_ || !dialog_->isVisible()) {
      timer_.stop();
      return;
    }
  }
  if (clock_.elapsed() > 8000) {
    timer_.stop();
    ADD_FAILURE() << "dialog still open after its script (" << next_ << " of " << steps_.size() << " steps ran)";
    if (modal) modal->hide();
    return;
  }
  if (finished() || !modal || qobject_cast<QMessageBox*>(modal) || !modal->isVisible()) return;
  if (Korimocom::DialogOpening != 0) return;
  dialog_ = modal;
  Step step = steps_[next_++];
  step(modal);
}

void DialogTest::SetUp() {
  Korimocom::ResetWorkData();
  owner = new QWidget;
  owner->setGeometry(120, 90, 529, 350);
  owner->show();
  ui::SetDialogOwner(owner);
  ui::SetAfterDialogHook([this] { ++afterDialogCalls; });
}

void DialogTest::TearDown() {
  ui::UnloadDialogs();
  ui::SetAfterDialogHook({});
  ui::SetDialogOwner(nullptr);
  delete owner;
  for (QWidget* w : QApplication::topLevelWidgets()) w->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

}  // namespace korimo::test
