// The password dialog driven as a user would: typing, OK, Enter, the close box.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "tests/dialogs/DialogTestKit.h"
#include "tests/support/NamedCases.h"
#include "ui/dialogs/Dialogs.h"

namespace korimo::test {
namespace {

using Step = DialogDriver::Step;

void OpenPassin() {
  Korimocom::DialogOpening = 1;
  ui::ShowPassin();
}

QLineEdit* Text1(QWidget* dialog) { return Control<QLineEdit>(dialog, "Text1"); }
QPushButton* Command1(QWidget* dialog) { return Control<QPushButton>(dialog, "Command1"); }

class PassinTest : public DialogTest {};

TEST_F(PassinTest, FormMatchesTheDesign) {
  QString title, echoShown;
  bool imeEnabled = true;
  QSize size;
  DialogDriver driver({[&](QWidget* d) {
    title = d->windowTitle();
    size = d->size();
    QTest::keyClicks(Text1(d), "ab1");
    echoShown = Text1(d)->displayText();
    imeEnabled = Text1(d)->testAttribute(Qt::WA_InputMethodEnabled);
    EXPECT_FALSE(Command1(d)->isDefault());
    EXPECT_EQ(Command1(d)->text(), "OK");
    EXPECT_EQ(Control<QWidget>(d, "Label1")->geometry(), QRect(40, 16, 73, 17));
    EXPECT_EQ(d->focusWidget(), Text1(d));
    // Enter on the focused OK button presses it, as a click would.
    Command1(d)->setFocus();
    QTest::keyClick(Command1(d), Qt::Key_Return);
  }});
  OpenPassin();
  EXPECT_EQ(title, "パスワード入力");
  EXPECT_EQ(size, QSize(257, 82));
  EXPECT_EQ(echoShown, "***");
  EXPECT_FALSE(imeEnabled);
  EXPECT_EQ(Korimocom::Password, "ab1");
  EXPECT_EQ(afterDialogCalls, 1);
}

// What OK (clicked or Enter) does with each entry: an accepted entry becomes
// the password and hides the box; a refused one brings the message, stays in
// the box, and the close button then leaves Password and OperationFailed 1.
struct EntryCase {
  const char* label;
  const char* entry;
  bool typed;     // typed key by key, else put in as a paste would
  bool viaEnter;  // Enter in the box instead of clicking OK
  bool accepted;
};

const EntryCase kEntries[] = {
    {"Empty", "", true, false, true},
    {"EightCharacters", "abcdefgh", true, false, true},
    {"EightCharactersByEnter", "Abc12345", true, true, true},
    {"NineCharacters", "abcdefghi", true, false, false},
    {"NineCharactersByEnter", "abcdefghi", true, true, false},
    {"FourDoubleByteCharacters8Bytes", "あいうえ", false, false, true},
    {"FiveDoubleByteCharacters10Bytes", "あいうえお", false, false, false},
    {"Mixed9BytesIn8Characters", "abcdefgあ", false, true, false},
    {"EightHalfWidthKana8Bytes", "ｱｲｳｴｵｶｷｸ", false, false, true},
    {"AccentedLetterShiftJisLacks", "pé", false, false, false},
    {"EmojiByEnter", "a😀", false, true, false},
};

class PassinEntryTest : public DialogTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(PassinEntryTest, AcceptedOrRefused) {
  const EntryCase& c = GetParam();
  const QString entry = QString::fromUtf8(c.entry);
  Korimocom::Password = "before";
  QString leftInBox;
  bool stillShown = false;
  DialogDriver driver({
      [&](QWidget* d) {
        if (c.typed) {
          QTest::keyClicks(Text1(d), entry);
        } else {
          Text1(d)->setText(entry);
        }
        if (c.viaEnter) {
          QTest::keyClick(Text1(d), Qt::Key_Return);
        } else {
          QTest::mouseClick(Command1(d), Qt::LeftButton);
        }
        stillShown = d->isVisible();
        leftInBox = Text1(d)->text();
        if (stillShown) d->close();  // the title-bar close button
      },
  });
  OpenPassin();
  if (c.accepted) {
    EXPECT_TRUE(answerer.boxes.empty());
    EXPECT_FALSE(stillShown);
    EXPECT_EQ(QString::fromStdString(Korimocom::Password), entry);
    EXPECT_EQ(Korimocom::OperationFailed, 0);
  } else {
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(answerer.boxes[0].text, QString::fromUtf8(msg::kPasswordTooLong));
    EXPECT_EQ(answerer.boxes[0].title, "Korimo");
    EXPECT_EQ(answerer.boxes[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(stillShown);
    EXPECT_EQ(leftInBox, entry);  // Enter did not reach the box either
    EXPECT_EQ(Korimocom::Password, "before");
    EXPECT_EQ(Korimocom::OperationFailed, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Entries, PassinEntryTest, ::testing::ValuesIn(kEntries), ByLabel{});

TEST_F(PassinTest, HiddenStaysLoadedClosedUnloadsAndEveryOpeningStartsEmpty) {
  QPointer<QWidget> first;
  DialogDriver accept({[&](QWidget* d) {
    first = d;
    QTest::keyClicks(Text1(d), "secret");
    QTest::keyClick(Text1(d), Qt::Key_Enter);
  }});
  OpenPassin();
  ASSERT_EQ(Korimocom::Password, "secret");

  QString shownAtReopen = "?";
  QPointer<QWidget> second;
  DialogDriver closeBox({[&](QWidget* d) {
    second = d;
    shownAtReopen = Text1(d)->text();
    QTest::keyClicks(Text1(d), "typed");
    d->close();
  }});
  OpenPassin();
  EXPECT_TRUE(shownAtReopen.isEmpty());
  EXPECT_EQ(second, first) << "a hidden dialog is shown again, not loaded afresh";
  EXPECT_TRUE(second.isNull()) << "the close button unloads the dialog";
  EXPECT_EQ(Korimocom::Password, "secret");
  EXPECT_EQ(Korimocom::OperationFailed, 1);

  shownAtReopen = "?";
  DialogDriver third({[&](QWidget* d) {
    shownAtReopen = Text1(d)->text();
    QTest::mouseClick(Command1(d), Qt::LeftButton);
  }});
  OpenPassin();
  EXPECT_TRUE(shownAtReopen.isEmpty());
  EXPECT_EQ(Korimocom::Password, "");
  EXPECT_EQ(afterDialogCalls, 3);
}

TEST_F(PassinTest, ReactivationAndEscapeChangeNothing) {
  QString afterActivation;
  bool shownAfterEscape = false;
  DialogDriver driver({[&](QWidget* d) {
    QTest::keyClicks(Text1(d), "abc");
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(d, &activate);
    afterActivation = Text1(d)->text();
    QTest::keyClick(Text1(d), Qt::Key_Escape);
    QTest::keyClick(d, Qt::Key_Escape);
    shownAfterEscape = d->isVisible();
    QTest::mouseClick(Command1(d), Qt::LeftButton);
  }});
  OpenPassin();
  EXPECT_EQ(afterActivation, "abc");
  EXPECT_TRUE(shownAfterEscape);
  EXPECT_EQ(Korimocom::Password, "abc");
}

TEST_F(PassinTest, OpensCentredOverTheMainWindow) {
  QPoint dialogCentre;
  DialogDriver driver({[&](QWidget* d) {
    dialogCentre = d->frameGeometry().center();
    QTest::mouseClick(Command1(d), Qt::LeftButton);
  }});
  OpenPassin();
  const QPoint ownerCentre = owner->frameGeometry().center();
  EXPECT_LE((dialogCentre - ownerCentre).manhattanLength(), 2);
}

TEST_F(PassinTest, UnloadingDuringItsModalRunEndsTheRun) {
  DialogDriver driver({[&](QWidget* d) {
    QTest::keyClicks(Text1(d), "abc");
    ui::UnloadDialogs();  // the exit path, reached while the box is open
  }});
  Korimocom::Password = "before";
  OpenPassin();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(Korimocom::Password, "before");
  EXPECT_EQ(Korimocom::OperationFailed, 1);
  EXPECT_EQ(afterDialogCalls, 1);
}

}  // namespace
}  // namespace korimo::test
