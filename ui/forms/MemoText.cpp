#include "ui/forms/MemoText.h"

namespace korimo::ui {

QString MemoToDisplay(const std::string& memo) {
  QString shown = QString::fromStdString(memo);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

std::string DisplayToMemo(const QString& shown) {
  QString memo = shown;
  memo.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  memo.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  memo.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return memo.toStdString();
}

}  // namespace korimo::ui
