#include "ui/dialogs/MemoBox.h"

#include <QPlainTextEdit>

#include "ui/forms/Twips.h"

namespace korimo::ui {

QFont MemoFont() {
  QFont font(QStringLiteral("ＭＳ ゴシック"), 9);
  font.setWeight(QFont::Normal);
  // Without the Windows face, fall back to a monospace one so the memo
  // looks the same in both memo boxes.
  font.setStyleHint(QFont::TypeWriter);
  return font;
}

QPlainTextEdit* MakeMemoBox(QWidget* dialog) {
  auto* box = new QPlainTextEdit(dialog);
  box->setObjectName(QStringLiteral("Text1"));
  box->setGeometry(TwipsRect(240, 480, 4185, 1845));
  box->setFont(MemoFont());
  box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  box->setTabChangesFocus(true);  // Tab moves on, as in a dialog's text box
  return box;
}

}  // namespace korimo::ui
