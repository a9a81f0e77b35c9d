// The memo box of the memo entry and display dialogs, identical in both so
// that a memo looks the same.
#pragma once

#include <QFont>

class QPlainTextEdit;
class QWidget;

namespace korimo::ui {

// The memo boxes' font: "ＭＳ ゴシック" 9 pt, falling back to a monospace face.
QFont MemoFont();

// The memo box of the entry and display dialogs, identical in both so that a
// memo looks the same: multi-line, vertical scroll bar, memo font.
QPlainTextEdit* MakeMemoBox(QWidget* dialog);

}  // namespace korimo::ui
