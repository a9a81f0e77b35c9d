// The memo entry dialog over a hand-made working set: the allowance it shows,
// what PutMemo accepts through it, and how it keeps or stores the text.
#include <gtest/gtest.h>

#include <string>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "engine/CarrierIO.h"
#include "engine/TextFields.h"
#include "engine/CarrierLayout.h"
#include "engine/Buffers.h"
#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "tests/dialogs/DialogTestKit.h"
#include "tests/support/NamedCases.h"
#include "ui/dialogs/Dialogs.h"

namespace korimo::test {
namespace {

QPlainTextEdit* Text1(QWidget* dialog) { return Control<QPlainTextEdit>(dialog, "Text1"); }
QPushButton* Command1(QWidget* dialog) { return Control<QPushButton>(dialog, "Command1"); }
QString Label2Of(QWidget* dialog) { return Control<QLabel>(dialog, "Label2")->text(); }

// An image of imageDataSize pixel bytes with a sound of soundSize bytes loaded
// from soundPath, as the image and sound loaders leave the working set.
void LoadWorkingSet(Korimocom::Long imageDataSize, Korimocom::Long soundSize, const std::string& soundPath = "/sounds/a.wav") {
  using namespace Korimocom;
  ImageDataSize = imageDataSize;
  ImageBytes.assign(static_cast<std::size_t>(imageDataSize) + 54, 0);
  SoundPath = soundPath;
  const int nameBytes = static_cast<int>(FileTitleOf(soundPath).size());
  SoundAreaSize = layout::SoundAreaSizeFor(imageDataSize, nameBytes);
  Redim(SoundBytes, SoundAreaSize);
  SoundSize = soundSize;
  ImageLoaded = 1;
  SoundLoaded = 1;
}

// 8000 data bytes and "a.wav" (5 bytes): the area starts at 182 + 40 = 222 and
// the image data ends after 972 data bytes of it; less the 13-byte record,
// 959 bytes of memo fit behind an empty sound.
constexpr Korimocom::Long kRoomWithoutSound = 959;

// A working set whose memo allowance is exactly `capacity` (small images only).
void LoadWithCapacity(Korimocom::Long capacity) {
  LoadWorkingSet(8000, 0);
  Korimocom::SoundSize = kRoomWithoutSound - capacity;
  ASSERT_EQ(layout::MemoCapacityFor(), capacity);
}

void OpenMemoin() {
  Korimocom::DialogOpening = 1;
  ui::ShowMemoin();
}

// The memo record PutMemo wrote behind the sound: L, then the text bytes.
std::string StoredMemoText() {
  using namespace Korimocom;
  const auto at = static_cast<std::size_t>(SoundSize);
  const std::size_t length = (std::size_t{SoundBytes[at]} << 24) | (std::size_t{SoundBytes[at + 1]} << 16) |
                             (std::size_t{SoundBytes[at + 2]} << 8) | SoundBytes[at + 3];
  const std::size_t nameLength = SoundBytes[at + 4];
  return std::string(SoundBytes.begin() + static_cast<long>(at + 5 + nameLength),
                     SoundBytes.begin() + static_cast<long>(at + 5 + nameLength + length));
}

class MemoinTest : public DialogTest {};

// Exactly the allowance is stored; one byte more brings the message and the
// dialog keeps the text. Full-width characters count two bytes.
struct AllowanceCase {
  const char* label;
  Korimocom::Long capacity;
  const char* refused;   // one byte over
  const char* accepted;  // exactly the allowance
};

const AllowanceCase kAllowances[] = {
    {"HalfWidth", 10, "abcdefghijk", "abcdefghij"},
    {"FullWidthCountsTwo", 5, "あいう", "あいx"},
    {"LineBreakCountsTwo", 4, "ab\nc", "a\nb"},
    {"AllowanceOfExactlyOne", 1, "ab", "a"},
};

class MemoinAllowanceTest : public MemoinTest, public ::testing::WithParamInterface<AllowanceCase> {};

TEST_P(MemoinAllowanceTest, CountedInBytes) {
  const AllowanceCase& c = GetParam();
  const QString refused = QString::fromUtf8(c.refused), accepted = QString::fromUtf8(c.accepted);
  LoadWithCapacity(c.capacity);
  QString label, keptAfterRefusal;
  bool openAfterRefusal = false;
  QWidget* focusAfterRefusal = nullptr;
  DialogDriver driver({[&](QWidget* d) {
    label = Label2Of(d);
    Text1(d)->setPlainText(refused);
    QTest::mouseClick(Command1(d), Qt::LeftButton);
    openAfterRefusal = d->isVisible();
    keptAfterRefusal = Text1(d)->toPlainText();
    focusAfterRefusal = d->focusWidget();
    EXPECT_EQ(focusAfterRefusal, Text1(d));
    Text1(d)->setPlainText(accepted);
    QTest::mouseClick(Command1(d), Qt::LeftButton);
  }});
  OpenMemoin();
  EXPECT_EQ(label, QString::fromUtf8("入力可能バイト数：") + QString::number(c.capacity));
  ASSERT_EQ(answerer.boxes.size(), 1u);
  EXPECT_EQ(answerer.boxes[0].text, QString::fromUtf8(msg::kMemoTooLong));
  EXPECT_TRUE(openAfterRefusal);
  EXPECT_EQ(keptAfterRefusal, refused);
  EXPECT_EQ(Korimocom::MemoCapacity, c.capacity);
  EXPECT_EQ(Korimocom::OperationFailed, 0);
  EXPECT_EQ(QString::fromStdString(Korimocom::MemoText).replace("\r\n", "\n"), accepted);
}

INSTANTIATE_TEST_SUITE_P(Allowances, MemoinAllowanceTest, ::testing::ValuesIn(kAllowances), ByLabel{});

TEST_F(MemoinTest, LargeCarrierIsCappedAt32767Bytes) {
  LoadWorkingSet(8 * 40000, 100);
  ASSERT_EQ(layout::MemoCapacityFor(), 32767);
  QString label;
  DialogDriver driver({[&](QWidget* d) {
    label = Label2Of(d);
    Text1(d)->setPlainText(QString(32768, QLatin1Char('m')));
    QTest::mouseClick(Command1(d), Qt::LeftButton);
    Text1(d)->setPlainText(QString(32767, QLatin1Char('m')));
    QTest::mouseClick(Command1(d), Qt::LeftButton);
  }});
  OpenMemoin();
  EXPECT_EQ(label, "入力可能バイト数：32767");
  ASSERT_EQ(answerer.boxes.size(), 1u);
  EXPECT_EQ(answerer.boxes[0].text, QString::fromUtf8(msg::kMemoTooLong));
  EXPECT_EQ(Korimocom::MemoText.size(), 32767u);
}

TEST_F(MemoinTest, NoRoomClosesWithItsMessage) {
  for (Korimocom::Long capacity : {0, -1}) {
    SCOPED_TRACE(capacity);
    Korimocom::ResetWorkData();
    LoadWorkingSet(8000, 0);
    Korimocom::SoundSize = kRoomWithoutSound - capacity;
    Korimocom::MemoText = "kept";
    answerer.boxes.clear();
    DialogDriver none({});
    OpenMemoin();
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(answerer.boxes[0].text, QString::fromUtf8(msg::kNoRoomForMemo));
    EXPECT_EQ(answerer.boxes[0].icon, QMessageBox::Warning);
    EXPECT_EQ(Korimocom::OperationFailed, 1);
    EXPECT_EQ(Korimocom::MemoText, "kept");
  }
}

TEST_F(MemoinTest, OverlongSoundNameClosesSilently) {
  LoadWorkingSet(8000, 0, "/sounds/" + std::string(256, 'n') + ".wav");
  Korimocom::MemoCapacity = 77;
  DialogDriver none({});
  OpenMemoin();
  EXPECT_TRUE(answerer.boxes.empty());
  EXPECT_EQ(Korimocom::OperationFailed, 1);
  EXPECT_EQ(Korimocom::MemoCapacity, 77);
  EXPECT_EQ(afterDialogCalls, 1);
}

// Line breaks are kept as CR LF, shown as line breaks, and a reopened dialog
// offers the stored memo for editing; the close box stores nothing.
TEST_F(MemoinTest, StoredMemoIsReofferedAndCloseBoxStoresNothing) {
  LoadWorkingSet(8000, 500);
  DialogDriver write({[&](QWidget* d) {
    QTest::keyClicks(Text1(d), "line1");
    QTest::keyClick(Text1(d), Qt::Key_Return);  // a new line, not OK
    EXPECT_TRUE(d->isVisible());
    QTest::keyClicks(Text1(d), "line2");
    QTest::mouseClick(Command1(d), Qt::LeftButton);
  }});
  OpenMemoin();
  EXPECT_EQ(Korimocom::MemoText, "line1\r\nline2");
  EXPECT_EQ(Korimocom::MemoFileName, "text.txt");
  EXPECT_EQ(StoredMemoText(), "line1\r\nline2");

  QString offered;
  DialogDriver edit({[&](QWidget* d) {
    offered = Text1(d)->toPlainText();
    EXPECT_EQ(Text1(d)->document()->blockCount(), 2);
    Text1(d)->setPlainText("edited");
    d->close();
  }});
  OpenMemoin();
  EXPECT_EQ(offered, "line1\nline2");
  EXPECT_EQ(Korimocom::MemoText, "line1\r\nline2");
  EXPECT_EQ(Korimocom::OperationFailed, 1);

  QString offeredAfterUnload;
  DialogDriver replace({[&](QWidget* d) {
    offeredAfterUnload = Text1(d)->toPlainText();
    Text1(d)->clear();  // an empty memo is stored like any other
    QTest::mouseClick(Command1(d), Qt::LeftButton);
  }});
  OpenMemoin();
  EXPECT_EQ(offeredAfterUnload, "line1\nline2");
  EXPECT_EQ(Korimocom::OperationFailed, 0);
  EXPECT_EQ(Korimocom::MemoText, "");
  EXPECT_EQ(StoredMemoText(), "");
}

// A memo with a character Shift-JIS cannot hold would come back with "?" in
// its place: it is refused with its own message, the dialog stays open with
// the text as typed, and closing it stores nothing.
TEST_F(MemoinTest, CharactersShiftJisLacksAreRefused) {
  LoadWorkingSet(8000, 500);
  Korimocom::MemoText = "before";
  const std::vector<Korimocom::Byte> areaBefore = Korimocom::SoundBytes;
  const QString typed = QString::fromUtf8("a😀b€");
  QString kept;
  bool openAfterRefusal = false;
  DialogDriver driver({[&](QWidget* d) {
    Text1(d)->setPlainText(typed);
    QTest::mouseClick(Command1(d), Qt::LeftButton);
    openAfterRefusal = d->isVisible();
    kept = Text1(d)->toPlainText();
    EXPECT_EQ(d->focusWidget(), Text1(d));
    d->close();
  }});
  OpenMemoin();
  ASSERT_EQ(answerer.boxes.size(), 1u);
  EXPECT_EQ(answerer.boxes[0].text, QString::fromUtf8(msg::kMemoHasInvalidChars));
  EXPECT_EQ(answerer.boxes[0].icon, QMessageBox::Warning);
  EXPECT_TRUE(openAfterRefusal);
  EXPECT_EQ(kept, typed);
  EXPECT_EQ(Korimocom::OperationFailed, 1);
  EXPECT_EQ(Korimocom::MemoText, "before");
  EXPECT_EQ(Korimocom::SoundBytes, areaBefore);
}

TEST_F(MemoinTest, ReactivationKeepsTheTypedText) {
  LoadWithCapacity(3);
  QString afterRefusal, afterActivation;
  DialogDriver driver({[&](QWidget* d) {
    QTest::keyClicks(Text1(d), "abcd");
    QTest::mouseClick(Command1(d), Qt::LeftButton);  // refused: one byte over
    afterRefusal = Text1(d)->toPlainText();
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(d, &activate);
    afterActivation = Text1(d)->toPlainText();
    QTest::keyClick(d, Qt::Key_Escape);  // no cancel button: nothing happens
    EXPECT_TRUE(d->isVisible());
    d->close();
  }});
  OpenMemoin();
  EXPECT_EQ(afterRefusal, "abcd");
  EXPECT_EQ(afterActivation, "abcd");
  EXPECT_EQ(answerer.boxes.size(), 1u);
}

}  // namespace
}  // namespace korimo::test
