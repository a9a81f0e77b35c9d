// The password dialog: the optional password of a new carrier, or the
// password a protected carrier asks for. Its whole output is Password and
// OperationFailed in the working set.
#pragma once

#include "ui/dialogs/KorimoDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace korimo::ui {

class Passin : public KorimoDialog {
  Q_OBJECT
 public:
  explicit Passin(QWidget* owner);  // Form_Load

  void Command1_Click();
  void Text1_KeyDown(int& keyCode, int shift);
  void Text1_KeyPress(int& keyAscii);

 protected:
  void Form_Activate() override;

 private:
  QLabel* Label1;
  QLineEdit* Text1;
  QPushButton* Command1;
};

}  // namespace korimo::ui
