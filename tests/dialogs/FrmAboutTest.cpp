// The about box: captions, Enter / Escape, and the system-information button
// on a platform without a system information viewer.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "tests/dialogs/DialogTestKit.h"
#include "ui/dialogs/Dialogs.h"

namespace korimo::test {
namespace {

void OpenAbout() {
  Korimocom::DialogOpening = 1;
  ui::ShowFrmAbout();
}

class FrmAboutTest : public DialogTest {};

TEST_F(FrmAboutTest, EnterAndEscapeCloseAndUnloadIt) {
  struct Case {
    const char* name;
    Qt::Key key;
    const char* focusOn;  // the control with the focus when the key comes
  };
  const Case cases[] = {
      {"Enter", Qt::Key_Return, "cmdOK"},
      {"keypad Enter", Qt::Key_Enter, "cmdOK"},
      {"Escape", Qt::Key_Escape, "cmdOK"},
      {"Escape on the other button", Qt::Key_Escape, "cmdSysInfo"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QPointer<QWidget> box;
    DialogDriver driver({[&](QWidget* d) {
      box = d;
      QWidget* focus = Control<QWidget>(d, c.focusOn);
      focus->setFocus();
      QTest::keyClick(focus, c.key);
    }});
    OpenAbout();
    EXPECT_TRUE(driver.finished());
    EXPECT_TRUE(box.isNull()) << "closed by unloading, not hiding";
  }
  EXPECT_TRUE(answerer.boxes.empty());
}

TEST_F(FrmAboutTest, ShowsTitleVersionAndIconAndClearsDialogOpening) {
  QString title, lblTitle, lblVersion, sysInfoCaption;
  bool hasIcon = false;
  DialogDriver driver({[&](QWidget* d) {
    title = d->windowTitle();
    lblTitle = Control<QLabel>(d, "lblTitle")->text();
    lblVersion = Control<QLabel>(d, "lblVersion")->text();
    sysInfoCaption = Control<QPushButton>(d, "cmdSysInfo")->text();
    hasIcon = !Control<QLabel>(d, "picIcon")->pixmap().isNull();
    EXPECT_TRUE(Control<QPushButton>(d, "cmdOK")->isDefault());
    EXPECT_EQ(d->size(), QSize(385, 81));
    QTest::mouseClick(Control<QPushButton>(d, "cmdOK"), Qt::LeftButton);
  }});
  QApplication::setWindowIcon(QIcon(QPixmap(32, 32)));
  OpenAbout();
  EXPECT_EQ(Korimocom::DialogOpening, 0);
  EXPECT_EQ(title, "Korimoのﾊﾞｰｼﾞｮﾝ情報");
  EXPECT_EQ(lblTitle, "Korimo");
  EXPECT_EQ(lblVersion, "ﾊﾞｰｼﾞｮﾝ 1.10");
  EXPECT_EQ(sysInfoCaption, "ｼｽﾃﾑ情報(&S)...");
  EXPECT_TRUE(hasIcon);
  EXPECT_EQ(afterDialogCalls, 1);
}

TEST_F(FrmAboutTest, SystemInformationIsUnavailableAndTheBoxStaysOpen) {
  bool openAfterMessage = false;
  DialogDriver driver({[&](QWidget* d) {
    QTest::mouseClick(Control<QPushButton>(d, "cmdSysInfo"), Qt::LeftButton);
    openAfterMessage = d->isVisible();
    QTest::mouseClick(Control<QPushButton>(d, "cmdOK"), Qt::LeftButton);
  }});
  OpenAbout();
  ASSERT_EQ(answerer.boxes.size(), 1u);
  EXPECT_EQ(answerer.boxes[0].text, QString::fromUtf8(msg::kNoSysInfo));
  EXPECT_EQ(answerer.boxes[0].title, "Korimo");
  EXPECT_EQ(answerer.boxes[0].icon, QMessageBox::NoIcon);
  EXPECT_TRUE(openAfterMessage);
}

}  // namespace
}  // namespace korimo::test
