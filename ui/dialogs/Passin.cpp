#include "ui/dialogs/Passin.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>

#include "engine/CarrierLayout.h"
#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "platform/Platform.h"
#include "ui/forms/KeyCodes.h"
#include "ui/forms/Twips.h"

namespace korimo::ui {

namespace {

constexpr char kCaption[] = QT_TRANSLATE_NOOP("Passin", "パスワード入力");
constexpr char kLabelCaption[] = QT_TRANSLATE_NOOP("Passin", "パスワード");
constexpr char kOkCaption[] = "OK";
// A password is at most 8 characters as typed, and it must fit the carrier
// header (layout::PasswordFits).
constexpr int kMaxPasswordChars = layout::kPasswordLimit;
constexpr int kEnter = 13;

// Every character of the entry shows as "*", at once (no last-character peek).
class AsteriskEchoStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    if (hint == SH_LineEdit_PasswordMaskDelay) return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

}  // namespace

Passin::Passin(QWidget* owner) : KorimoDialog(owner, 3855, 1230, /*escapeCloses=*/false) {
  setObjectName(QStringLiteral("Passin"));
  setWindowTitle(QCoreApplication::translate("Passin", kCaption));

  Label1 = new QLabel(QCoreApplication::translate("Passin", kLabelCaption), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(TwipsRect(600, 240, 1095, 255));

  Text1 = new QLineEdit(this);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setGeometry(TwipsRect(1800, 225, 1575, 270));
  Text1->setEchoMode(QLineEdit::Password);
  auto* echoStyle = new AsteriskEchoStyle;
  echoStyle->setParent(Text1);
  Text1->setStyle(echoStyle);
  // No input method: typing gives half-width characters only.
  Text1->setAttribute(Qt::WA_InputMethodEnabled, false);

  Command1 = new QPushButton(QString::fromUtf8(kOkCaption), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setGeometry(TwipsRect(1200, 720, 1455, 375));
  // Neither default nor cancel button: Enter presses it only while it has the focus.
  Command1->setAutoDefault(false);
  Command1->setDefault(false);

  setTabOrder(Command1, Text1);

  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  new KeyHandlerFilter(
      Text1, [this](int& keyCode, int shift) { Text1_KeyDown(keyCode, shift); },
      [this](int& keyAscii) { Text1_KeyPress(keyAscii); }, /*swallowInputMethod=*/true);

  CentreOverOwner(this);
}

void Passin::Form_Activate() {
  Text1->clear();
  Korimocom::OperationFailed = 1;
  Text1->setFocus();
  Korimocom::DialogOpening = 0;
}

void Passin::Command1_Click() {
  const QString entry = Text1->text();
  // The header test also refuses a pasted entry of too many double-byte
  // characters, and one with a character CP932 cannot hold, which could never
  // be typed again to unlock the carrier.
  const std::string utf8 = entry.toStdString();
  if (entry.size() > kMaxPasswordChars || !layout::PasswordFits(utf8)) {
    platform::Notify(msg::kPasswordTooLong);
    return;
  }
  Korimocom::Password = utf8;
  Korimocom::OperationFailed = 0;
  hide();
}

void Passin::Text1_KeyDown(int& keyCode, int /*shift*/) {
  if (keyCode == kEnter) {
    Command1->setFocus();
    keyCode = 0;
    Command1_Click();
  }
}

void Passin::Text1_KeyPress(int& keyAscii) {
  // Enter neither beeps nor reaches the box.
  if (keyAscii == kEnter) keyAscii = 0;
}

}  // namespace korimo::ui
