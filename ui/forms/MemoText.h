// The memo's line breaks: the memo is kept with CR LF line breaks (as a
// Windows text box holds them); the Qt text widgets use "\n".
#pragma once

#include <string>

#include <QString>

namespace korimo::ui {

QString MemoToDisplay(const std::string& memo);
std::string DisplayToMemo(const QString& shown);

}  // namespace korimo::ui
