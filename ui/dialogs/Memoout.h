// The memo display dialog: shows the memo of a carrier; the reader can move
// and scroll through it but not change it.
#pragma once

#include "ui/dialogs/KorimoDialog.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace korimo::ui {

class Memoout : public KorimoDialog {
  Q_OBJECT
 public:
  explicit Memoout(QWidget* owner);  // Form_Load

  void Command1_Click();
  void Text1_KeyDown(int& keyCode, int shift);
  void Text1_KeyPress(int& keyAscii);

 protected:
  void Form_Activate() override;

 private:
  QLabel* Label1;
  QPlainTextEdit* Text1;
  QPushButton* Command1;
};

}  // namespace korimo::ui
