// The passphrase of a sealed picture: an entry that hides what is typed and,
// when sealing, a second entry to confirm it, with OK and キャンセル.
#pragma once

#include <optional>
#include <string>

#include <QDialog>

class QLineEdit;

namespace korimo::ui {

class PassphraseDialog : public QDialog {
  Q_OBJECT
 public:
  PassphraseDialog(QWidget* owner, bool confirm);
  ~PassphraseDialog() override;
  // The accepted passphrase (UTF-8); empty until OK accepted one.
  std::string& Accepted() { return accepted_; }

 private:
  void Ok_Click();

  QLineEdit* entry_;
  QLineEdit* confirmEntry_ = nullptr;
  std::string accepted_;
};

// Shows the dialog modally over the main window. The passphrase, or nothing
// when it was cancelled.
std::optional<std::string> AskPassphrase(bool confirm);

}  // namespace korimo::ui
