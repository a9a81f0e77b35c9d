// The memo display: the reader moves through the memo but cannot change it.
#include <gtest/gtest.h>

#include <QInputMethodEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "engine/Korimocom.h"
#include "tests/dialogs/DialogTestKit.h"
#include "ui/dialogs/Dialogs.h"

namespace korimo::test {
namespace {

QPlainTextEdit* Text1(QWidget* dialog) { return Control<QPlainTextEdit>(dialog, "Text1"); }
QPushButton* Command1(QWidget* dialog) { return Control<QPushButton>(dialog, "Command1"); }

void OpenMemoout() {
  Korimocom::DialogOpening = 1;
  ui::ShowMemoout();
}

std::string LongMemo() {
  std::string memo;
  for (int line = 1; line <= 60; ++line) memo += "line " + std::to_string(line) + "\r\n";
  return memo + "end";
}

class MemooutTest : public DialogTest {};

TEST_F(MemooutTest, KeysThatWouldEditOrJumpAreSwallowed) {
  struct Case {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
  };
  const Case cases[] = {
      {"letter", Qt::Key_X, Qt::NoModifier},
      {"shifted symbol (!, the Qt code of Page Up)", Qt::Key_Exclam, Qt::ShiftModifier},
      {"space", Qt::Key_Space, Qt::NoModifier},
      {"Delete", Qt::Key_Delete, Qt::NoModifier},
      {"Backspace", Qt::Key_Backspace, Qt::NoModifier},
      {"Enter", Qt::Key_Return, Qt::NoModifier},
      {"Home", Qt::Key_Home, Qt::NoModifier},
      {"End", Qt::Key_End, Qt::NoModifier},
      {"Ctrl+End", Qt::Key_End, Qt::ControlModifier},
      {"Ctrl+A", Qt::Key_A, Qt::ControlModifier},
  };
  Korimocom::MemoText = LongMemo();
  const QString shown = QString::fromStdString(LongMemo()).replace("\r\n", "\n");
  DialogDriver driver({[&](QWidget* d) {
    QPlainTextEdit* box = Text1(d);
    EXPECT_EQ(box->toPlainText(), shown);
    QTextCursor middle = box->textCursor();
    middle.setPosition(12);  // inside the second line
    box->setTextCursor(middle);
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      QTest::keyClick(box, c.key, c.modifiers);
      EXPECT_EQ(box->toPlainText(), shown);
      EXPECT_EQ(box->textCursor().position(), 12);
      EXPECT_FALSE(box->textCursor().hasSelection());
    }
    // Input-method composition and commit do not reach the memo either.
    QInputMethodEvent preedit(QStringLiteral("あ"), {});
    QCoreApplication::sendEvent(box, &preedit);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("漢字"));
    QCoreApplication::sendEvent(box, &commit);
    EXPECT_EQ(box->toPlainText(), shown);
    QTest::mouseClick(Command1(d), Qt::LeftButton);
  }});
  OpenMemoout();
}

TEST_F(MemooutTest, ArrowsAndPageKeysMoveThroughTheMemo) {
  struct Case {
    const char* name;
    Qt::Key key;
  };
  const Case cases[] = {
      {"Down", Qt::Key_Down}, {"Right", Qt::Key_Right}, {"Up", Qt::Key_Up},
      {"Left", Qt::Key_Left}, {"Page Down", Qt::Key_PageDown}, {"Page Up", Qt::Key_PageUp},
  };
  Korimocom::MemoText = LongMemo();
  DialogDriver driver({[&](QWidget* d) {
    QPlainTextEdit* box = Text1(d);
    QTextCursor start = box->textCursor();
    start.setPosition(20);
    box->setTextCursor(start);
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      const int before = box->textCursor().position();
      QTest::keyClick(box, c.key);
      EXPECT_NE(box->textCursor().position(), before);
    }
    QTest::keyClick(box, Qt::Key_PageDown);
    QTest::keyClick(box, Qt::Key_PageDown);
    EXPECT_GT(box->verticalScrollBar()->value(), 0) << "a long memo scrolls";
    QTest::mouseClick(Command1(d), Qt::LeftButton);
  }});
  OpenMemoout();
}

TEST_F(MemooutTest, EveryOpeningShowsTheCurrentMemoButReactivationDoesNotReload) {
  Korimocom::MemoText = "first\r\nmemo";
  QPointer<QWidget> loaded;
  QString firstShown;
  int cursorAfterActivation = -1;
  DialogDriver first({[&](QWidget* d) {
    loaded = d;
    firstShown = Text1(d)->toPlainText();
    QTest::keyClick(Text1(d), Qt::Key_Right);
    Korimocom::MemoText = "changed meanwhile";
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(d, &activate);
    cursorAfterActivation = Text1(d)->textCursor().position();
    EXPECT_EQ(Text1(d)->toPlainText(), "first\nmemo");
    QTest::mouseClick(Command1(d), Qt::LeftButton);
  }});
  OpenMemoout();
  EXPECT_EQ(firstShown, "first\nmemo");
  EXPECT_EQ(cursorAfterActivation, 1);
  EXPECT_FALSE(loaded.isNull()) << "OK hides the dialog and keeps it loaded";

  Korimocom::MemoText = "second";
  Korimocom::OperationFailed = 1;
  QString secondShown;
  DialogDriver second({[&](QWidget* d) {
    secondShown = Text1(d)->toPlainText();
    d->close();
  }});
  OpenMemoout();
  EXPECT_EQ(secondShown, "second");
  EXPECT_TRUE(loaded.isNull()) << "the close button unloads it";
  EXPECT_EQ(Korimocom::OperationFailed, 1) << "the display leaves OperationFailed alone";
  EXPECT_EQ(afterDialogCalls, 2);
}

}  // namespace
}  // namespace korimo::test
