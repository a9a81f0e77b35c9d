// Test harness for the dialogs: a platform backend that shows real modal
// QMessageBoxes, a timer that answers those boxes like a user, and a timer
// that drives the dialog under test step by step while its modal run lasts.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QElapsedTimer>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include "platform/Platform.h"

namespace korimo::test {

// Message boxes as the window shows them: modal, titled "Korimo".
class BoxPlatform : public platform::Platform {
 public:
  BoxPlatform();
  ~BoxPlatform() override;
  platform::Answer MessageBox(const std::string& text, platform::Buttons buttons, platform::Icon icon) override;
  std::optional<std::string> AskPassword() override;
  void SetWaitCursor(bool) override {}
  platform::PlayResult PlaySound(const std::string&) override { return platform::PlayResult::ServiceUnavailable; }
};

struct SeenBox {
  QString text;
  QString title;
  QMessageBox::Icon icon;
};

// Closes every message box that becomes the active modal widget, recording
// its text, title and icon first.
class BoxAnswerer : public QObject {
 public:
  BoxAnswerer();
  std::vector<SeenBox> boxes;

 private:
  void poll();
  QTimer timer_;
};

// Runs one step at a time against the dialog under test, once it is the
// active modal widget and its opening set-up has run (DialogOpening back at 0).
// Gives up after a few seconds: reports a failure and closes what is open,
// so a stuck dialog fails the test instead of hanging it.
class DialogDriver : public QObject {
 public:
  using Step = std::function<void(QWidget* dialog)>;
  explicit DialogDriver(std::vector<Step> steps);
  ~DialogDriver() override;
  bool finished() const { return next_ >= steps_.size(); }

 private:
  void poll();
  std::vector<Step> steps_;
  std::size_t next_ = 0;
  QTimer timer_;
  QElapsedTimer clock_;
  QPointer<QWidget> dialog_;
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

  BoxPlatform platform;
  BoxAnswerer answerer;
  QWidget* owner = nullptr;
  int afterDialogCalls = 0;
};

}  // namespace korimo::test
