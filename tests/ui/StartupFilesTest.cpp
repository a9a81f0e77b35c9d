// Files named on the window's command line: they go through the open-image
// and open-sound commands without their file dialogs, picture first. And
// where the window finds its help file, in the build tree and installed.
#include <QDir>
#include <QStringList>
#include <algorithm>

#include "engine/Messages.h"
#include "tests/ui/MainWindowFixture.h"

namespace korimo::test {
namespace {

using namespace Korimocom;
const QString Q(const char* s) { return QString::fromUtf8(s); }
QString Q(const std::string& s) { return QString::fromStdString(s); }

TEST_F(MainWindowTest, StartupFilesOpenTheFirstPictureThenTheFirstSound) {
  WriteBmp("p.bmp", 40, 30);
  WriteBmp("second.bmp", 40, 30);
  WriteWav("v.WAV", 60);
  WriteWav("second.wav", 60);
  // Relative names are read from the working directory and shown whole, as
  // the dialog would show them.
  const QString cwd = QDir::currentPath();
  QDir::setCurrent(Q(dir.path()));
  window->OpenStartupFiles({Q("v.WAV"), Q("second.wav"), Q("p.bmp"), Q("second.bmp")});
  QDir::setCurrent(cwd);

  EXPECT_TRUE(dialogKinds.empty());
  EXPECT_EQ(Text(1), Q(dir / "p.bmp"));
  EXPECT_EQ(Text(2), Q(dir / "v.WAV"));
  EXPECT_EQ(Text(3), QString());
  EXPECT_EQ(Status(), Q("画像データ 3600Bytes  音声サイズ 164Bytes"));
  EXPECT_EQ(SoundPath, dir / "v.WAV");
  EXPECT_EQ(ImageSaved, 1);
}

TEST_F(MainWindowTest, StartupCarrierAsksForItsPasswordAndExtracts) {
  OpenImage(WriteBmp("p.bmp", 40, 30));
  OpenSound(WriteWav("v.wav", 60));
  driver.Password(Q("pw"));
  Press(1);
  dialogAnswers.push_back(dir / "c.bmp");
  window->menuFileSave_Click();
  window->menuFileClear_Click();
  ASSERT_TRUE(driver.WaitDone());

  driver.Password(Q("pw"));
  window->OpenStartupFiles({Q(dir / "c.bmp")});
  EXPECT_TRUE(driver.WaitDone());
  EXPECT_EQ(Text(1), Q(dir / "c.bmp"));
  EXPECT_EQ(Text(2), Q(msg::kHasSound));
  EXPECT_EQ(Text(3), Q(dir / "c.bmp"));
  EXPECT_EQ(Status(), Q("画像データ 3600Bytes  音声サイズ 164Bytes"));
  // temp.wav holds the whole sound area: the WAV file first.
  const Bytes extracted = ReadFile(TempWav());
  const Bytes original = ReadFile(dir / "v.wav");
  ASSERT_GE(extracted.size(), original.size());
  EXPECT_TRUE(std::equal(original.begin(), original.end(), extracted.begin()));
}

// A sound alone meets the open-sound command's own refusal; a file that is
// no picture meets the open-image command's.
TEST_F(MainWindowTest, StartupFilesGetTheCommandsMessages) {
  driver.Box(Q(msg::kLoadImageFirst));
  window->OpenStartupFiles({Q(WriteWav("v.wav", 60))});
  EXPECT_TRUE(driver.WaitDone());
  EXPECT_EQ(Text(1) + Text(2) + Text(3) + Status(), QString());

  WriteFile(dir / "notes.txt", Bytes{'h', 'e', 'l', 'l', 'o'});
  driver.Box(Q(msg::kCannotRead));
  window->OpenStartupFiles({Q(dir / "notes.txt")});
  EXPECT_TRUE(driver.WaitDone());
  EXPECT_EQ(ImageLoaded, 0);
  EXPECT_EQ(Text(1), QString());
}

// Beside the program (the build tree) wins over ../share/korimo (an
// installed tree); with neither, the path beside it.
TEST(HelpFileTest, FoundBesideTheProgramElseInShareKorimo) {
  TempDir tree;
  const std::string bin = tree / "bin/";
  ASSERT_TRUE(QDir().mkpath(Q(bin)) && QDir().mkpath(Q(tree / "share/korimo")));
  EXPECT_EQ(ui::FindHelpFile(bin), bin + "korimo110.hlp");
  WriteFile(tree / "share/korimo/korimo110.hlp", Bytes{'x'});
  EXPECT_EQ(ui::FindHelpFile(bin), tree / "share/korimo/korimo110.hlp");
  WriteFile(bin + "korimo110.hlp", Bytes{'x'});
  EXPECT_EQ(ui::FindHelpFile(bin), bin + "korimo110.hlp");
}

}  // namespace
}  // namespace korimo::test
