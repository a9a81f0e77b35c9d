// Layout, start-up, the status line, the command guards and both roads of
// the main window, driven through its real widgets and modal windows.
#include <sys/stat.h>
#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>
#include <QMenuBar>
#include <QPixmap>
#include <QPlainTextEdit>
#include <algorithm>
#include <array>

#include "engine/CarrierLayout.h"
#include "engine/Messages.h"
#include "tests/support/AddressSpaceCap.h"
#include "tests/support/NamedCases.h"
#include "tests/support/Sanitizers.h"
#include "tests/ui/MainWindowFixture.h"

namespace korimo::test {
namespace {

using namespace Korimocom;
const QString Q(const char* s) { return QString::fromUtf8(s); }

// What the user sees: a window of fixed size, each caption in its group, the
// groups and their controls in reading order (each below or right of the one
// before it), none cut off by its group.
TEST_F(MainWindowTest, CaptionsInTheirGroupsAndReadingOrder) {
  EXPECT_EQ(window->windowTitle(), Q("Korimo Ver.1.10"));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(window->centralWidget()->width(), 529);
  EXPECT_EQ(window->centralWidget()->height() + window->statusBar()->height(), 330);
  EXPECT_FALSE(window->statusBar()->isSizeGripEnabled());
  EXPECT_EQ(window->statusBar()->findChildren<QLabel*>().size(), 1);

  struct Control { const char* name; const char* caption; };
  const std::pair<QWidget*, std::vector<Control>> groups[] = {
      {window->centralWidget(), {{"Image2", ""}, {"Frame1", "編集"}, {"Frame2", "再生"}}},
      {Child("Frame1"),
       {{"Label1", "画像ファイル"}, {"Text1", ""}, {"Label2", "音声ファイル"}, {"Text2", ""},
        {"Command1", "合成"}, {"Command4", "メモ"}, {"Command3", "再生"}}},
      {Child("Frame2"), {{"Label3", "合成ファイル"}, {"Text3", ""}, {"Command2", "音声＆メモ再生"}}},
  };
  for (const auto& [group, controls] : groups) {
    QRect before;
    for (const Control& c : controls) {
      QWidget* w = Child(c.name);
      ASSERT_NE(w, nullptr);
      EXPECT_EQ(w->parentWidget(), group) << c.name;
      EXPECT_TRUE(group->rect().contains(w->geometry())) << c.name << " is cut off";
      const QRect r = w->geometry();
      if (!before.isNull()) {
        EXPECT_TRUE(r.top() >= before.bottom() || r.left() > before.right()) << c.name << " is out of order";
      }
      before = r;
      QString caption;
      if (auto* box = qobject_cast<QGroupBox*>(w)) caption = box->title();
      else if (auto* button = qobject_cast<QPushButton*>(w)) caption = button->text();
      else if (auto* label = qobject_cast<QLabel*>(w); label && c.name[0] == 'L') caption = label->text();
      else if (auto* field = qobject_cast<QLineEdit*>(w)) caption = field->text();
      EXPECT_EQ(caption, Q(c.caption)) << c.name;
    }
  }
  const std::pair<const char*, const char*> menus[] = {
      {"menuImageRead", "画像ファイル(&I)"}, {"menuSoundRead", "音声ファイル(&S)"},
      {"menuFileSave", "保存(&S)"},          {"menuFileClear", "クリア(&C)"},
      {"menuEnd", "終了(&E)"},               {"menuToolHelp", "Korimoヘルプ(&H)"},
      {"menuAbout", "Korimoについて(&A)"},    {"menuSoundSave", "音声を保存(&W)..."},
      {"menuSealedSynthesize", "暗号化して合成(&E)..."}, {"menuSealedOpen", "暗号化画像を開く(&O)..."},
  };
  for (const auto& [name, caption] : menus) EXPECT_EQ(Child<QAction>(name)->text(), Q(caption));
  QStringList bar;
  for (QAction* a : window->menuBar()->actions()) bar << a->text();
  EXPECT_EQ(bar, (QStringList{Q("ファイル(&F)"), Q("ツール(&T)"), Q("ヘルプ(&H)")}));
}

TEST_F(MainWindowTest, TabVisitsTheControlsInDesignOrderAndStartsOnPlay) {
  EXPECT_TRUE(Child("Command2")->hasFocus());
  Child("Text1")->setFocus();
  const char* order[] = {"Text2", "Command1", "Command4", "Command3", "Text3", "Command2", "Text1"};
  for (const char* next : order) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), Q(next));
  }
}

TEST_F(MainWindowTest, StartUpTakesTempDirFromTempElseAPrivateFolder) {
  const std::string appDir = QCoreApplication::applicationDirPath().toStdString() + "/";
  const std::string runtime = dir / "run";
  ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  struct Row { const char* temp; std::string expected; };
  const Row rows[] = {{"/var/tmp/korimo", "/var/tmp/korimo/"}, {"/var/tmp/", "/var/tmp/"},
                      {"", runtime + "/korimo/"}, {nullptr, runtime + "/korimo/"}};
  for (const Row& row : rows) {
    if (row.temp) setenv("TEMP", row.temp, 1);
    else unsetenv("TEMP");
    ASSERT_TRUE(window->Form_Load());  // this process owns the instance lock
    EXPECT_EQ(Korimocom::TempDir, row.expected) << (row.temp ? row.temp : "(unset)");
    EXPECT_EQ(AppDir, appDir);
  }
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(window->HelpFile(), appDir + "korimo110.hlp");
  EXPECT_TRUE(FileExists(std::string(KORIMO_PROGRAM_DIR) + "korimo110.hlp")) << "the build puts the help file beside the window";
}

// The free-space figure is the data size / 8 - 32, with its fraction.
struct FreeSpaceCase {
  const char* label;
  Long dataSize;
  const char* capacity;
};

const FreeSpaceCase kFreeSpace[] = {
    {"Whole", 960, "88"}, {"Eighth", 1000, "93"}, {"Half", 1004, "93.5"}, {"Negative", 100, "-19.5"}};

class FreeSpaceTest : public MainWindowTest, public ::testing::WithParamInterface<FreeSpaceCase> {};

TEST_P(FreeSpaceTest, OpenedImageWithoutSoundShowsIt) {
  const FreeSpaceCase& row = GetParam();
  Bytes bmp = MakeBmp(16, 20);
  for (int i = 0; i < 4; ++i) bmp[34 + i] = static_cast<Byte>(row.dataSize >> (8 * i));
  const std::string path = dir / ("d" + std::to_string(row.dataSize) + ".bmp");
  WriteFile(path, bmp);
  OpenImage(path);
  EXPECT_EQ(Text(1).toStdString(), path);
  EXPECT_EQ(Text(2), Q(msg::kNoSound));
  EXPECT_EQ(Text(3), QString());
  EXPECT_EQ(Status(), Q("画像データ ") + QString::number(row.dataSize) + Q("Bytes  音声合成最大サイズ ") +
                          Q(row.capacity) + Q("Bytes"));
  EXPECT_EQ((std::array<int, 4>{ImageLoaded, SoundLoaded, Synthesized, ImageSaved}),
            (std::array<int, 4>{1, 0, 0, 1}));
  EXPECT_FALSE(Child<QLabel>("Image2")->pixmap().isNull());
  EXPECT_FALSE(RecordingPlatform::Get().waitCursor);
  EXPECT_EQ(dialogFilters.front(), "BMP画像データ(*.bmp) (*.bmp *.BMP);;すべてのファイル(*.*) (*)");
}

INSTANTIATE_TEST_SUITE_P(Figures, FreeSpaceTest, ::testing::ValuesIn(kFreeSpace), ByLabel{});

TEST_F(MainWindowTest, RefusedOrUnshowableImagesKeepThePicture) {
  OpenImage(WriteBmp("good.bmp", 16, 20));
  const qint64 shown = Child<QLabel>("Image2")->pixmap().cacheKey();

  // A WAV file is no BMP: refused, everything stays.
  driver.Box(Q(msg::kCannotRead));
  OpenImage(WriteWav("s.wav", 100));
  EXPECT_TRUE(driver.WaitDone());
  EXPECT_EQ(Text(1).toStdString(), dir / "good.bmp");

  // Passes the loader's test but Qt cannot draw it: loaded, picture unchanged.
  Bytes odd = MakeBmp(16, 20);
  odd[14] = 200;  // an information header size no reader knows
  WriteFile(dir / "odd.bmp", odd);
  OpenImage(dir / "odd.bmp");
  EXPECT_EQ(Text(1).toStdString(), dir / "odd.bmp");
  EXPECT_EQ(Child<QLabel>("Image2")->pixmap().cacheKey(), shown);

  // Cancelling the dialog changes nothing, not even the cursor.
  dialogAnswers.push_back(std::nullopt);
  window->menuImageRead_Click();
  EXPECT_EQ(Text(1).toStdString(), dir / "odd.bmp");
}

// Refusals of the four buttons and of open-sound, in the states where they refuse.
TEST_F(MainWindowTest, CommandGuardsShowTheirMessages) {
  const QString both = Q(msg::kLoadBothToSynthesize), memo = Q(msg::kLoadBothForMemo),
                carrier = Q(msg::kLoadCarrier), sound = Q(msg::kLoadSound), done = Q(msg::kAlreadySynthesized);
  // Empty window.
  for (auto [button, text] : {std::pair{1, both}, {2, carrier}, {3, sound}, {4, memo}}) {
    driver.Box(text);
    Press(button);
  }
  driver.Box(Q(msg::kLoadImageFirst));
  OpenSound(WriteWav("s.wav", 400));
  EXPECT_EQ(Text(2) + Text(3) + Status(), QString());

  // Image only.
  OpenImage(WriteBmp("p.bmp", 64, 48));
  for (auto [button, text] : {std::pair{1, both}, {2, carrier}, {3, sound}, {4, memo}}) {
    driver.Box(text);
    Press(button);
  }
  // Image and sound: only the carrier play refuses.
  OpenSound(dir / "s.wav");
  driver.Box(carrier);
  Press(2);
  // Synthesized: synthesize and memo refuse.
  driver.Password(QString());
  Press(1);
  for (auto [button, text] : {std::pair{1, done}, {4, done}}) {
    driver.Box(text);
    Press(button);
  }
  EXPECT_TRUE(driver.WaitDone());
  EXPECT_EQ(driver.boxes.size(), 12u);
  for (const SeenBox& box : driver.boxes) {
    EXPECT_EQ(box.title, Q("Korimo"));
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_EQ(box.buttons, QStringList{Q("OK")});
  }
}

TEST_F(MainWindowTest, SenderAndReceiverRoadsEndToEnd) {
  const std::string image = WriteBmp("photo.bmp", 40, 30);
  const std::string sound = WriteWav("voice.wav", 60);
  OpenImage(image);
  OpenSound(sound);
  EXPECT_EQ(Text(2).toStdString(), sound);
  EXPECT_EQ(Text(3), QString());
  EXPECT_EQ(Status(), Q("画像データ 3600Bytes  音声サイズ 164Bytes"));
  EXPECT_EQ((std::array<int, 4>{ImageLoaded, SoundLoaded, Synthesized, ImageSaved}),
            (std::array<int, 4>{1, 1, 0, 1}));
  Press(3);
  EXPECT_EQ(RecordingPlatform::Get().played, std::vector<std::string>{sound});

  // The memo: the label's allowance, one byte too many refused, then exactly stored.
  // 40 x 30 x 3 = 3600 data bytes and "voice.wav" (9 bytes): the sound area
  // starts at 182 + 72 = 254, and the image data ends after 418 more data
  // bytes; 418 - 164 (the sound) - 13 (the record) = 241.
  const Long capacity = 241;
  ASSERT_EQ(layout::MemoCapacityFor(), capacity);
  QString label;
  QString memo = Q("一行目") + QChar('\n') + QString(capacity - 8, QChar('x'));  // 6 + 2 + rest bytes
  driver.Dialog(Q("Memoin"), [&](QWidget* w) {
    label = w->findChild<QLabel*>(Q("Label2"))->text();
    auto* box = w->findChild<QPlainTextEdit*>(Q("Text1"));
    box->setPlainText(memo + Q("y"));
    QTest::mouseClick(w->findChild<QPushButton*>(Q("Command1")), Qt::LeftButton);
  });
  driver.Box(Q(msg::kMemoTooLong)).Memo(memo);
  Press(4);
  EXPECT_TRUE(driver.WaitDone());
  EXPECT_EQ(label, Q("入力可能バイト数：") + QString::number(capacity));
  EXPECT_EQ(MemoText, (Q("一行目\r\n") + QString(capacity - 8, QChar('x'))).toStdString());

  // Synthesize with a password, then save.
  driver.Password(Q("abc"));
  Press(1);
  EXPECT_EQ(Text(3), Q(msg::kSynthesisDone));
  EXPECT_EQ(Status(), Q("画像データ 3600Bytes  音声サイズ 164Bytes"));
  EXPECT_EQ((std::array<int, 4>{ImageLoaded, SoundLoaded, Synthesized, ImageSaved}),
            (std::array<int, 4>{1, 1, 1, 0}));
  dialogAnswers.push_back(dir / "carrier.bmp");
  window->menuFileSave_Click();
  EXPECT_EQ(ImageSaved, 1);
  EXPECT_EQ(ReadFile(dir / "carrier.bmp").size(), ReadFile(image).size());
  window->menuFileClear_Click();  // saved: no question
  EXPECT_EQ(Text(1) + Text(2) + Text(3) + Status(), QString());

  // Receiver: a wrong password leaves the sound locked.
  driver.Password(Q("xyz"));
  OpenImage(dir / "carrier.bmp");
  EXPECT_TRUE(driver.WaitDone());
  EXPECT_EQ(Text(2), Q(msg::kHasLockedSound));
  EXPECT_EQ(Text(3).toStdString(), dir / "carrier.bmp");
  EXPECT_EQ(Status(), Q("画像データ 3600Bytes"));
  EXPECT_EQ((std::array<int, 4>{ImageLoaded, SoundLoaded, Synthesized, ImageSaved}),
            (std::array<int, 4>{1, 1, 2, 1}));
  EXPECT_FALSE(FileExists(TempWav()));

  // "音声＆メモ再生" asks again; the right one plays and shows the memo.
  QString shown;
  driver.Password(Q("abc")).ReadMemo(&shown);
  Press(2);
  EXPECT_TRUE(driver.WaitDone());
  EXPECT_EQ(Text(2), Q(msg::kHasSound));
  EXPECT_EQ(Status(), Q("画像データ 3600Bytes  音声サイズ 164Bytes"));
  EXPECT_EQ(shown, memo);
  ASSERT_TRUE(FileExists(TempWav()));
  const Bytes extracted = ReadFile(TempWav());
  const Bytes original = ReadFile(sound);
  EXPECT_TRUE(std::equal(original.begin(), original.end(), extracted.begin()));
  EXPECT_EQ(RecordingPlatform::Get().played.back(), TempWav());

  // A second press plays at once and shows the memo again, no password asked.
  shown.clear();
  driver.ReadMemo(&shown);
  Press(2);
  EXPECT_TRUE(driver.WaitDone());
  EXPECT_EQ(shown, memo);
  EXPECT_EQ(RecordingPlatform::Get().played.size(), 3u);

  // A carrier with sound refuses synthesize and memo.
  driver.Box(Q(msg::kAlreadySynthesized)).Box(Q(msg::kAlreadySynthesized));
  Press(1);
  Press(4);
}

#ifndef KORIMO_ASAN
// Both play buttons need memory for the sound, not for the largest file: they
// play in an address space that may grow by 64 MB only.
TEST_F(MainWindowTest, PlayRoadsNeedMemoryForTheSoundOnly) {
  OpenImage(WriteBmp("p.bmp", 1000, 1000));
  OpenSound(WriteWav("v.wav", 20000));
  driver.Password(QString());
  Press(1);
  ASSERT_TRUE(driver.WaitDone());
  RecordingPlatform::Get().results.clear();
  {
    AddressSpaceCap cap(64u << 20);
    Press(3);
    Press(2);
  }
  using platform::PlayResult;
  EXPECT_EQ(RecordingPlatform::Get().results, (std::vector<PlayResult>{PlayResult::Started, PlayResult::Started}));
}
#endif

TEST_F(MainWindowTest, CancelledPasswordOnPlayClearsTheMemo) {
  OpenImage(WriteBmp("p.bmp", 40, 30));
  OpenSound(WriteWav("v.wav", 60));
  driver.Memo(Q("secret"));
  Press(4);
  driver.Password(Q("pw"));
  Press(1);
  dialogAnswers.push_back(dir / "c.bmp");
  window->menuFileSave_Click();
  window->menuFileClear_Click();

  driver.ClosePassword();
  OpenImage(dir / "c.bmp");
  driver.ClosePassword();
  Press(2);
  EXPECT_TRUE(driver.WaitDone());
  EXPECT_EQ(Synthesized, 2);
  EXPECT_EQ(Text(2), Q(msg::kHasLockedSound));
  EXPECT_EQ(Status(), Q("画像データ 3600Bytes"));
  EXPECT_EQ(MemoText, "");
  EXPECT_EQ(MemoFileName, "");
  EXPECT_TRUE(RecordingPlatform::Get().played.empty());
}

// The sealed roads: the confirmation must match; a wrong passphrase gets the
// one message; the right one plays the sound from memory only and shows the memo.
TEST_F(MainWindowTest, SealedPictureRoundTrip) {
  const auto phrase = [this](const QString& first, const QString& second) {
    driver.Dialog(Q("PassphraseDialog"), [=](QWidget* w) {
      w->findChild<QLineEdit*>(Q("Text1"))->setText(first);
      if (auto* confirm = w->findChild<QLineEdit*>(Q("Text2"))) confirm->setText(second);
      QTest::mouseClick(w->findChild<QPushButton*>(Q("Command1")), Qt::LeftButton);
    });
  };
  OpenImage(WriteBmp("p.bmp", 64, 48));
  const std::string sound = WriteWav("v.wav", 300);
  OpenSound(sound);
  driver.Memo(Q("メモ"));
  Press(4);
  phrase(Q("秘密"), Q("秘蜜"));
  driver.Box(Q(msg::kPassphrasesDiffer));
  phrase(Q("秘密"), Q("秘密"));
  window->menuSealedSynthesize_Click();
  EXPECT_TRUE(driver.WaitDone());
  EXPECT_EQ(Text(3), Q(msg::kSynthesisDone));
  EXPECT_EQ(ImageSaved, 0);
  dialogAnswers.push_back(dir / "s.bmp");
  window->menuFileSave_Click();
  window->menuFileClear_Click();

  for (const char* typed : {"秘蜜", "秘密"}) {
    dialogAnswers.push_back(dir / "s.bmp");
    phrase(Q(typed), QString());
    if (std::string(typed) != "秘密") driver.Box(Q(msg::kSealedNotOpened));
    window->menuSealedOpen_Click();
    EXPECT_TRUE(driver.WaitDone());
  }
  EXPECT_EQ(Text(2), Q(msg::kHasSound));
  QString shown;
  driver.ReadMemo(&shown);
  Press(2);
  EXPECT_TRUE(driver.WaitDone());
  EXPECT_EQ(shown, Q("メモ"));
  EXPECT_EQ(RecordingPlatform::Get().playedBytes, std::vector<Bytes>{ReadFile(sound)});
  EXPECT_FALSE(FileExists(TempWav()));
  // 音声を保存 keeps the opened sound exactly as it was sealed.
  dialogAnswers.push_back(dir / "kept.wav");
  window->menuSoundSave_Click();
  EXPECT_EQ(ReadFile(dir / "kept.wav"), ReadFile(sound));
  window->menuFileClear_Click();
  driver.Box(Q(msg::kLoadCarrier));
  Press(2);
}

}  // namespace
}  // namespace korimo::test
