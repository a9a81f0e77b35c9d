// The about box: program icon, title and version, and a button for the
// system information viewer. Unlike the other dialogs it is unloaded, not
// hidden, whenever it closes.
#pragma once

#include <string>

#include "ui/dialogs/KorimoDialog.h"

class QLabel;
class QPushButton;

namespace korimo::ui {

class frmAbout : public KorimoDialog {
  Q_OBJECT
 public:
  explicit frmAbout(QWidget* owner);  // Form_Load

  void cmdOK_Click();
  void cmdSysInfo_Click();

 protected:
  void reject() override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void StartSysInfo();

  QLabel* picIcon;
  QPushButton* cmdOK;
  QPushButton* cmdSysInfo;
  QLabel* lblTitle;
  QLabel* lblVersion;
};

}  // namespace korimo::ui
