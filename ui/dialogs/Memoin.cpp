#include "ui/dialogs/Memoin.h"

#include <exception>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "engine/BitCodec.h"
#include "engine/CarrierLayout.h"
#include "engine/Korimocom.h"
#include "engine/Memo.h"
#include "engine/Messages.h"
#include "platform/Platform.h"

namespace korimo::ui {

namespace {

constexpr char kCaption[] = "メモ入力";
constexpr char kLabel1Caption[] = "メモ";
// The designed caption; every usable opening replaces it with the allowance.
constexpr char kLabel2Caption[] = "入力可能文字数：";
constexpr char kAllowancePrefix[] = "入力可能バイト数：";
constexpr char kOkCaption[] = "OK";
// The memo record stores its name's length in one byte.
constexpr int kMaxSoundNameBytes = 256;

}  // namespace

Memoin::Memoin(QWidget* owner) : KorimoDialog(owner, 4695, 3030, /*escapeCloses=*/false) {
  setObjectName(QStringLiteral("Memoin"));
  setWindowTitle(QString::fromUtf8(kCaption));

  Label1 = new QLabel(QString::fromUtf8(kLabel1Caption), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(TwipsRect(240, 240, 4215, 255));

  Text1 = MakeMemoBox(this);

  Label2 = new QLabel(QString::fromUtf8(kLabel2Caption), this);
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

  int nameBytes = 0;
  try {
    nameBytes = Korimocom::AnsiByteLength(Korimocom::FileTitleOf(Korimocom::SoundPath));
  } catch (const std::exception&) {
    nameBytes = kMaxSoundNameBytes;  // too long to count: as good as too long to store
  }

  if (nameBytes >= kMaxSoundNameBytes) {
    // No memo record can be written behind such a sound; close without a word.
    Korimocom::OperationFailed = 1;
    hide();
  } else {
    Korimocom::Long allowance = 0;
    try {
      // Counted over the bytes synthesis really embeds, already capped at 32767.
      allowance = layout::MemoCapacityFor();
    } catch (const std::exception&) {
      allowance = 0;
    }
    Korimocom::MemoCapacity = allowance;
    if (allowance < 1) {
      platform::Notify(msg::kNoRoomForMemo);
      Korimocom::OperationFailed = 1;
      hide();
    } else {
      Label2->setText(QString::fromUtf8(kAllowancePrefix) + QString::number(allowance));
      Korimocom::OperationFailed = 1;
    }
  }
  Korimocom::DialogOpening = 0;
}

void Memoin::Command1_Click() {
  const std::string memo = DisplayToMemo(Text1->toPlainText());
  try {
    Korimocom::PutMemo(memo, layout::kMemoFileName);
  } catch (const std::exception&) {
    // A memo the engine cannot even measure is refused as too long.
    Korimocom::OperationFailed = 1;
    platform::Notify(msg::kMemoTooLong);
  }
  if (Korimocom::OperationFailed == 0) {
    hide();
  } else {
    Text1->setFocus();
  }
}

}  // namespace korimo::ui
