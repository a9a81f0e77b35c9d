// The memo entry dialog: works out how many memo bytes still fit into the
// carrier, and hands the typed memo to PutMemo, which stores it behind the
// sound bytes.
#pragma once

#include "ui/dialogs/KorimoDialog.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace korimo::ui {

class Memoin : public KorimoDialog {
  Q_OBJECT
 public:
  explicit Memoin(QWidget* owner);  // Form_Load

  void Command1_Click();

 protected:
  void Form_Activate() override;

 private:
  QLabel* Label1;
  QPlainTextEdit* Text1;
  QLabel* Label2;
  QPushButton* Command1;
};

}  // namespace korimo::ui
