// The key translation and the memo line-break conversion the dialogs rely on.
#include <gtest/gtest.h>

#include <QKeyEvent>

#include "ui/forms/KeyCodes.h"
#include "ui/forms/MemoText.h"

namespace korimo::ui {
namespace {

TEST(KeyTranslation, WindowsCodesOfQtKeys) {
  struct Case {
    Qt::Key key;
    QString text;
    int keyDown;
    int keyPress;
  };
  const Case cases[] = {
      {Qt::Key_Return, "\r", 13, 13},
      {Qt::Key_Enter, "\r", 13, 13},
      {Qt::Key_PageUp, "", 33, 0},
      {Qt::Key_PageDown, "", 34, 0},
      {Qt::Key_End, "", 35, 0},
      {Qt::Key_Home, "", 36, 0},
      {Qt::Key_Left, "", 37, 0},
      {Qt::Key_Down, "", 40, 0},
      {Qt::Key_Delete, "\x7f", 46, 0},
      {Qt::Key_Backspace, "\b", 8, 8},
      {Qt::Key_A, "a", 'A', 'a'},
      {Qt::Key_5, "5", '5', '5'},
      // Qt codes of shifted symbols overlap the movement keys' Windows codes.
      {Qt::Key_Exclam, "!", '1', '!'},
      {Qt::Key_QuoteDbl, "\"", 222, '"'},
      {Qt::Key_Dollar, "$", '4', '$'},
      {Qt::Key_Percent, "%", '5', '%'},
      {Qt::Key_Ampersand, "&", '7', '&'},
      {Qt::Key_ParenLeft, "(", '9', '('},
      {Qt::Key_yen, QString(QChar(0xa5)), kUnmappedKey, 0xa5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.toStdString() + " key " + std::to_string(c.key));
    const QKeyEvent event(QEvent::KeyPress, c.key, Qt::NoModifier, c.text);
    EXPECT_EQ(VirtualKeyOf(event), c.keyDown);
    EXPECT_EQ(KeyCharOf(event), c.keyPress);
  }
}

TEST(MemoLineBreaks, StoredAsCrLfShownAsLineBreaks) {
  EXPECT_EQ(DisplayToMemo("a\nb\n\nc"), "a\r\nb\r\n\r\nc");
  EXPECT_EQ(DisplayToMemo("a\r\nb\rc"), "a\r\nb\r\nc");
  EXPECT_EQ(MemoToDisplay("a\r\nb\r\n\r\nc"), "a\nb\n\nc");
  EXPECT_EQ(MemoToDisplay("lone\ncr\rend"), "lone\ncr\nend");
  EXPECT_EQ(DisplayToMemo(MemoToDisplay("日本語\r\nメモ")), "日本語\r\nメモ");
}

}  // namespace
}  // namespace korimo::ui
