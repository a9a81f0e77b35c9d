#include "tests/dialogs/DialogTestKit.h"

#include <gtest/gtest.h>

#include <QApplication>

#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "ui/dialogs/Dialogs.h"

namespace korimo::test {

void DialogTest::SetUp() {
  platform::SetCurrent(&port);
  Korimocom::ResetWorkData();
  owner = new QWidget;
  owner->setGeometry(120, 90, 529, 350);
  owner->show();
  ui::SetDialogOwner(owner);
  ui::SetAfterDialogHook([this] { ++afterDialogCalls; });
}

void DialogTest::TearDown() {
  platform::SetCurrent(nullptr);
  ui::UnloadDialogs();
  ui::SetAfterDialogHook({});
  ui::SetDialogOwner(nullptr);
  delete owner;
  for (QWidget* w : QApplication::topLevelWidgets()) w->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

}  // namespace korimo::test
