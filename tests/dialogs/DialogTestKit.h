// Test harness for the dialogs: the window's own port (real modal message
// boxes titled "Korimo" and the real password dialog), one modal driver that
// answers every message box like a user who reads it, and one per test that
// drives the dialog under test step by step while its modal run lasts.
#pragma once

#include <functional>
#include <vector>

#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

#include "tests/support/ModalDriver.h"
#include "ui/desktop/QtPort.h"

namespace korimo::test {

// Records and closes every message box with its default button.
class BoxAnswerer : public ModalDriver {
 public:
  BoxAnswerer() { AnswerEveryBox().LeaveUnscriptedDialogs(kPatienceMs); }
  static constexpr int kPatienceMs = 8000;
};

// Runs one step at a time against the dialog under test, once it is the
// active modal window and its opening set-up has run (DialogOpening back at
// 0); message boxes are the BoxAnswerer's. A dialog still open long after
// its script is closed and fails the test instead of hanging it.
class DialogDriver {
 public:
  using Step = std::function<void(QWidget* dialog)>;
  explicit DialogDriver(const std::vector<Step>& steps) {
    driver_.LeaveBoxesAlone().LeaveUnscriptedDialogs(BoxAnswerer::kPatienceMs);
    for (const Step& step : steps) driver_.AnyDialog(step);
  }
  ~DialogDriver() { EXPECT_TRUE(driver_.unexpected.isEmpty()) << driver_.unexpected.join(QStringLiteral("; ")).toStdString(); }
  bool finished() const { return driver_.Done(); }

 private:
  ModalDriver driver_;
};

// A child widget of the dialog by its control name.
template <typename W>
W* Control(QWidget* dialog, const char* name) {
  return dialog ? dialog->findChild<W*>(QString::fromLatin1(name)) : nullptr;
}

// Each test starts from an empty working set with a stand-in main window as
// the dialogs' owner, and ends with every dialog unloaded and window closed.
class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  ui::QtPort port;
  BoxAnswerer answerer;
  QWidget* owner = nullptr;
  int afterDialogCalls = 0;
};

}  // namespace korimo::test
