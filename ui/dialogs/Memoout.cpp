#include "ui/dialogs/Memoout.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "commands/Commands.h"
#include "engine/Korimocom.h"
#include "ui/dialogs/MemoBox.h"
#include "ui/forms/KeyCodes.h"
#include "ui/forms/MemoText.h"
#include "ui/forms/Twips.h"

namespace korimo::ui {

namespace {

constexpr char kCaption[] = QT_TRANSLATE_NOOP("Memoout", "メモ表示");
constexpr char kLabel1Caption[] = QT_TRANSLATE_NOOP("Memoout", "メモ");
constexpr char kOkCaption[] = "OK";
// Put after a memo longer than the display shows (only a crafted carrier
// holds one): the memo box would take minutes and gigabytes to lay it out.
constexpr char kMemoCutNote[] = "\n\n（メモが長いため、先頭の64KBだけを表示しています。）";

}  // namespace

Memoout::Memoout(QWidget* owner) : KorimoDialog(owner, 4710, 3030, /*escapeCloses=*/false) {
  setObjectName(QStringLiteral("Memoout"));
  setWindowTitle(QCoreApplication::translate("Memoout", kCaption));

  Label1 = new QLabel(QCoreApplication::translate("Memoout", kLabel1Caption), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(TwipsRect(240, 240, 4215, 255));

  Text1 = MakeMemoBox(this);
  // The key handlers below keep the memo unchanged from the keyboard; the
  // read-only mode also shuts the mouse routes (context-menu paste, drops,
  // middle-button paste), while the caret still moves with the keys let through.
  Text1->setReadOnly(true);
  Text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Text1->setAttribute(Qt::WA_InputMethodEnabled, false);

  Command1 = new QPushButton(QString::fromUtf8(kOkCaption), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setGeometry(TwipsRect(3000, 2520, 1455, 375));
  // Neither default nor cancel button: Enter presses it only while it has the focus.
  Command1->setAutoDefault(false);
  Command1->setDefault(false);

  setTabOrder(Text1, Command1);
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  new KeyHandlerFilter(
      Text1, [this](int& keyCode, int shift) { Text1_KeyDown(keyCode, shift); },
      [this](int& keyAscii) { Text1_KeyPress(keyAscii); }, /*swallowInputMethod=*/true);

  CentreOverOwner(this);
}

void Memoout::Form_Activate() {
  QString text = MemoToDisplay(Korimocom::MemoText);
  if (commands::CarrierMemoCut())
    text += QString::fromUtf8(kMemoCutNote);
  Text1->setPlainText(text);
  Text1->setFocus();
  Korimocom::DialogOpening = 0;
}

void Memoout::Command1_Click() { hide(); }

void Memoout::Text1_KeyDown(int& keyCode, int /*shift*/) {
  // Home, End and Delete are among the keys dropped here.
  if (!IsCaretMovementKey(keyCode)) keyCode = 0;
}

void Memoout::Text1_KeyPress(int& keyAscii) {
  // No typed character, Backspace or Enter reaches the memo.
  keyAscii = 0;
}

}  // namespace korimo::ui
