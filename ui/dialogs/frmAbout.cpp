#include "ui/dialogs/frmAbout.h"

#include <QCoreApplication>
#include <QApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "platform/Platform.h"
#include "platform/Version.h"
#include "ui/forms/Twips.h"

namespace korimo::ui {

namespace {

constexpr char kTitleSuffix[] = QT_TRANSLATE_NOOP("frmAbout", "のﾊﾞｰｼﾞｮﾝ情報");
constexpr char kVersionPrefix[] = QT_TRANSLATE_NOOP("frmAbout", "ﾊﾞｰｼﾞｮﾝ ");
constexpr char kOkCaption[] = "OK";
constexpr char kSysInfoCaption[] = QT_TRANSLATE_NOOP("frmAbout", "ｼｽﾃﾑ情報(&S)...");
constexpr int kIconPixels = 32;

}  // namespace

frmAbout::frmAbout(QWidget* owner) : KorimoDialog(owner, 5775, 1215, /*escapeCloses=*/true) {
  setObjectName(QStringLiteral("frmAbout"));

  picIcon = new QLabel(this);
  picIcon->setObjectName(QStringLiteral("picIcon"));
  // Sizes itself to the 32 x 32 program icon.
  picIcon->setGeometry(Pixels(240), Pixels(240), kIconPixels, kIconPixels);
  picIcon->setPixmap(QApplication::windowIcon().pixmap(kIconPixels, kIconPixels));

  cmdOK = new QPushButton(QString::fromUtf8(kOkCaption), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setGeometry(TwipsRect(4200, 120, 1310, 345));
  cmdOK->setDefault(true);  // Enter presses it; Escape too (see reject)

  cmdSysInfo = new QPushButton(QCoreApplication::translate("frmAbout", kSysInfoCaption), this);
  cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
  cmdSysInfo->setGeometry(TwipsRect(4200, 600, 1310, 345));
  // Enter is OK's wherever the focus is (see keyPressEvent); Space and a
  // click still press this button.
  cmdSysInfo->setAutoDefault(false);

  lblTitle = new QLabel(QString::fromUtf8(msg::kAppTitle), this);
  lblTitle->setObjectName(QStringLiteral("lblTitle"));
  lblTitle->setGeometry(TwipsRect(1050, 240, 2805, 240));
  QPalette black = lblTitle->palette();
  black.setColor(QPalette::WindowText, Qt::black);
  lblTitle->setPalette(black);

  lblVersion = new QLabel(this);
  lblVersion->setObjectName(QStringLiteral("lblVersion"));
  lblVersion->setGeometry(TwipsRect(1080, 600, 2805, 225));

  setTabOrder(cmdOK, cmdSysInfo);
  connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
  connect(cmdSysInfo, &QPushButton::clicked, this, [this] { cmdSysInfo_Click(); });

  // Form_Load
  setWindowTitle(QString::fromUtf8(msg::kAppTitle) + QCoreApplication::translate("frmAbout", kTitleSuffix));
  lblVersion->setText(QCoreApplication::translate("frmAbout", kVersionPrefix) + QString::number(kVersionMajor) + QLatin1Char('.') +
                      QString::number(kVersionMinor));
  lblTitle->setText(QString::fromUtf8(msg::kAppTitle));
  CentreOverOwner(this);
  Korimocom::DialogOpening = 0;
}

void frmAbout::cmdOK_Click() {
  requestUnload();
  done(QDialog::Accepted);
}

// Escape and the close button end up here: both unload the box like OK.
void frmAbout::reject() {
  requestUnload();
  QDialog::reject();
}

// OK is the default button: Enter presses it from either button, where the
// other dialogs press the button that has the focus.
void frmAbout::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
    event->accept();
    cmdOK->click();
    return;
  }
  KorimoDialog::keyPressEvent(event);
}

void frmAbout::cmdSysInfo_Click() { StartSysInfo(); }

// This platform has no registered system-information viewer to start, so
// the button always ends in the notice.
void frmAbout::StartSysInfo() {
  platform::Current().MessageBox(msg::kNoSysInfo, platform::Buttons::Ok, platform::Icon::None);
}

}  // namespace korimo::ui
