// A fresh main window per test, started as the program starts it, with the
// file dialogs answered from a queue and a private TEMP directory.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "engine/Korimocom.h"
#include "ui/desktop/QtPort.h"
#include "tests/support/TestFiles.h"
#include "tests/support/ModalDriver.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/dialogs/Dialogs.h"
#include "ui/main/KorimoMain.h"
#include "ui/desktop/FileDialogs.h"
#include "ui/desktop/HelpViewer.h"

namespace korimo::test {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* temp = getenv("TEMP")) savedTemp = temp;
    setenv("TEMP", dir.path().c_str(), 1);
    RecordingPlatform::Get().played.clear();
    RecordingPlatform::Get().playedBytes.clear();
    ui::SetFileDialogHook([this](ui::FileDialogKind kind, const QString& filter) {
      dialogFilters.push_back(filter.toStdString());
      dialogKinds.push_back(kind);
      if (dialogAnswers.empty()) {
        ADD_FAILURE() << "unexpected file dialog";
        return std::optional<std::string>();
      }
      std::optional<std::string> answer = dialogAnswers.front();
      dialogAnswers.pop_front();
      return answer;
    });
    window = std::make_unique<ui::KorimoMain>();
    ASSERT_TRUE(window->Form_Load());
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }

  void TearDown() override {
    EXPECT_TRUE(driver.unexpected.isEmpty()) << driver.unexpected.join(QStringLiteral("; ")).toStdString();
    EXPECT_TRUE(driver.Done()) << "a scripted modal window never appeared";
    EXPECT_TRUE(dialogAnswers.empty()) << "a scripted file dialog never appeared";
    ui::SetFileDialogHook({});
    Korimocom::ImageSaved = 1;  // leave without a question
    window.reset();
    ui::UnloadDialogs();
    ui::QuitHelp();
    for (QWidget* w : QApplication::topLevelWidgets()) w->close();
    if (savedTemp) setenv("TEMP", savedTemp->c_str(), 1);
    else unsetenv("TEMP");
  }

  template <typename T = QWidget>
  T* Child(const char* name) {
    T* widget = window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QString Text(int n) { return Child<QLineEdit>(("Text" + std::to_string(n)).c_str())->text(); }
  QString Status() { return Child<QLabel>("statusPanel")->text(); }
  void Press(int n) { QTest::mouseClick(Child<QPushButton>(("Command" + std::to_string(n)).c_str()), Qt::LeftButton); }

  std::string WriteBmp(const std::string& name, int width, int height) {
    WriteFile(dir / name, MakeBmp(width, height));
    return dir / name;
  }
  std::string WriteWav(const std::string& name, int samples) {
    WriteFile(dir / name, MakeWav(samples));
    return dir / name;
  }
  // Open image / open sound through the menu, the file dialog answering `path`.
  void OpenImage(const std::string& path) {
    dialogAnswers.push_back(path);
    window->menuImageRead_Click();
  }
  void OpenSound(const std::string& path) {
    dialogAnswers.push_back(path);
    window->menuSoundRead_Click();
  }
  // Opens p.bmp and v.wav and synthesizes with an empty password: the state
  // "synthesized, not saved".
  void SynthesizeUnsaved() {
    Korimocom::ImageSaved = 1;  // forget any carrier a previous step left unsaved
    if (!FileExists(dir / "p.bmp")) WriteBmp("p.bmp", 40, 30);
    if (!FileExists(dir / "v.wav")) WriteWav("v.wav", 60);
    OpenImage(dir / "p.bmp");
    OpenSound(dir / "v.wav");
    driver.Password(QString());
    Press(1);
    EXPECT_TRUE(driver.WaitDone());
    EXPECT_EQ(Korimocom::ImageSaved, 0);
  }
  std::string TempWav() { return Korimocom::TempDir + "temp.wav"; }

  std::optional<std::string> savedTemp;
  TempDir dir;
  ModalDriver driver;
  std::unique_ptr<ui::KorimoMain> window;
  std::deque<std::optional<std::string>> dialogAnswers;
  std::vector<std::string> dialogFilters;
  std::vector<ui::FileDialogKind> dialogKinds;
};

}  // namespace korimo::test
