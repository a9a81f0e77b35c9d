#include "ui/dialogs/Memoin.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "commands/Commands.h"
#include "engine/Korimocom.h"
#include "ui/dialogs/MemoBox.h"
#include "ui/forms/MemoText.h"
#include "ui/forms/Twips.h"

namespace korimo::ui {

namespace {

constexpr char kCaption[] = QT_TRANSLATE_NOOP("Memoin", "メモ入力");
constexpr char kLabel1Caption[] = QT_TRANSLATE_NOOP("Memoin", "メモ");
// The designed caption; every usable opening replaces it with the allowance.
constexpr char kLabel2Caption[] = QT_TRANSLATE_NOOP("Memoin", "入力可能文字数：");
constexpr char kAllowancePrefix[] = QT_TRANSLATE_NOOP("Memoin", "入力可能バイト数：");
constexpr char kOkCaption[] = "OK";

}  // namespace

Memoin::Memoin(QWidget* owner) : KorimoDialog(owner, 4695, 3030, /*escapeCloses=*/false) {
  setObjectName(QStringLiteral("Memoin"));
  setWindowTitle(QCoreApplication::translate("Memoin", kCaption));

  Label1 = new QLabel(QCoreApplication::translate("Memoin", kLabel1Caption), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(TwipsRect(240, 240, 4215, 255));

  Text1 = MakeMemoBox(this);

  Label2 = new QLabel(QCoreApplication::translate("Memoin", kLabel2Caption), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setGeometry(TwipsRect(330, 2595, 2415, 255));

  Command1 = new QPushButton(QString::fromUtf8(kOkCaption), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setGeometry(TwipsRect(3000, 2520, 1455, 375));
  // Neither default nor cancel button: Enter presses it only while it has the focus.
  Command1->setAutoDefault(false);
  Command1->setDefault(false);

  setTabOrder(Text1, Command1);
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

  CentreOverOwner(this);
}

void Memoin::Form_Activate() {
  Text1->setPlainText(MemoToDisplay(Korimocom::MemoText));
  Text1->setFocus();
  switch (commands::OpenMemoEntry()) {
    case commands::MemoRoom::NameTooLong:  // no memo record can follow such a sound: close without a word
    case commands::MemoRoom::None:
      hide();
      break;
    case commands::MemoRoom::Available:
      Label2->setText(QCoreApplication::translate("Memoin", kAllowancePrefix) + QString::number(Korimocom::MemoCapacity));
      break;
  }
  Korimocom::DialogOpening = 0;
}

void Memoin::Command1_Click() {
  if (commands::StoreMemo(DisplayToMemo(Text1->toPlainText())))
    hide();
  else
    Text1->setFocus();
}

}  // namespace korimo::ui
