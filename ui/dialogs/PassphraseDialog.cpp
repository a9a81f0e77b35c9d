#include "ui/dialogs/PassphraseDialog.h"

#include <QCoreApplication>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "engine/Messages.h"
#include "engine/Sealed.h"
#include "platform/Platform.h"
#include "ui/dialogs/KorimoDialog.h"
#include "ui/forms/Twips.h"

namespace korimo::ui {

namespace {

QLineEdit* HiddenEntry(QWidget* parent, const char* name, int top) {
  auto* entry = new QLineEdit(parent);
  entry->setObjectName(QString::fromLatin1(name));
  entry->setGeometry(TwipsRect(1560, top, 2535, 270));
  entry->setEchoMode(QLineEdit::Password);
  entry->setMaxLength(static_cast<int>(sealed::kMaxPassphraseBytes));
  return entry;
}

void AddLabel(QWidget* parent, const char* name, const QString& caption, int top) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(TwipsRect(240, top + 15, 1275, 255));
}

}  // namespace

PassphraseDialog::PassphraseDialog(QWidget* owner, bool confirm) : QDialog(owner) {
  setObjectName(QStringLiteral("PassphraseDialog"));
  setWindowTitle(QCoreApplication::translate("PassphraseDialog", "パスフレーズ入力"));
  const int rows = confirm ? 2 : 1;
  setFixedSize(Pixels(4335), Pixels(360 + 420 * rows + 600));

  AddLabel(this, "Label1", QCoreApplication::translate("PassphraseDialog", "パスフレーズ"), 240);
  entry_ = HiddenEntry(this, "Text1", 240);
  if (confirm) {
    AddLabel(this, "Label2", QCoreApplication::translate("PassphraseDialog", "確認"), 660);
    confirmEntry_ = HiddenEntry(this, "Text2", 660);
  }
  const int buttonsTop = 240 + 420 * rows + 60;
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("Command1"));
  ok->setGeometry(TwipsRect(1200, buttonsTop, 1215, 375));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QCoreApplication::translate("PassphraseDialog", "キャンセル"), this);
  cancel->setObjectName(QStringLiteral("Command2"));
  cancel->setGeometry(TwipsRect(2520, buttonsTop, 1215, 375));
  connect(ok, &QPushButton::clicked, this, [this] { Ok_Click(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  CentreOverOwner(this);
}

PassphraseDialog::~PassphraseDialog() { sealed::Wipe(accepted_); }

void PassphraseDialog::Ok_Click() {
  std::string typed = entry_->text().toStdString();
  if (typed.empty()) {
    platform::Notify(msg::kPassphraseEmpty);
  } else if (typed.size() > sealed::kMaxPassphraseBytes) {
    platform::Notify(msg::kPassphraseTooLong);
  } else if (!sealed::PassphraseAcceptable(typed)) {
    platform::Notify(msg::kPassphraseNotUtf8);
  } else if (confirmEntry_ && confirmEntry_->text() != entry_->text()) {
    platform::Notify(msg::kPassphrasesDiffer);
  } else {
    accepted_ = std::move(typed);
    accept();
  }
  sealed::Wipe(typed);
  entry_->clear();
  if (confirmEntry_) confirmEntry_->clear();
  entry_->setFocus();
}

std::optional<std::string> AskPassphrase(bool confirm) {
  PassphraseDialog dialog(DialogOwner(), confirm);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  std::string accepted;
  accepted.swap(dialog.Accepted());
  return accepted;
}

}  // namespace korimo::ui
