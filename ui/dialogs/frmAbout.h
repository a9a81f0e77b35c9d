// The about box: program icon, title and version, and a button for the
// system information viewer. Unlike the other dialogs it is unloaded, not
// hidden, whenever it closes.
#pragma once

#include <string>

#include "ui/dialogs/DialogSupport.h"

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

 private:
  void StartSysInfo();

  QLabel* picIcon;
  QPushButton* cmdOK;
  QPushButton* cmdSysInfo;
  QLabel* lblTitle;
  QLabel* lblVersion;
};

// Looks up a value of the system settings store. This platform has none, so
// every lookup fails with an empty value.
bool GetKeyValue(const std::string& keyRoot, const std::string& keyName, const std::string& subKeyRef,
                 std::string& keyValue);

}  // namespace korimo::ui
