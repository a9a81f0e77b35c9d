// The about box: captions, Enter / Escape, and the system-information button
// on a platform without a system information viewer.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

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

// Enter and Escape close and unload the box from either button, as OK is its
// default and cancel button.
struct KeyCase {
  const char* name;
  Qt::Key key;
  const char* focusOn;  // the control with the focus when the key comes
};
void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

class FrmAboutKeyTest : public DialogTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(FrmAboutKeyTest, ClosesAndUnloadsIt) {
  const KeyCase& c = GetParam();
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
  EXPECT_TRUE(answerer.boxes.empty()) << "no system-information message";
}

INSTANTIATE_TEST_SUITE_P(Keys, FrmAboutKeyTest,
                         ::testing::Values(KeyCase{"EnterOnOk", Qt::Key_Return, "cmdOK"},
                                           KeyCase{"KeypadEnterOnOk", Qt::Key_Enter, "cmdOK"},
                                           KeyCase{"EscapeOnOk", Qt::Key_Escape, "cmdOK"},
                                           KeyCase{"EnterOnSysInfo", Qt::Key_Return, "cmdSysInfo"},
                                           KeyCase{"KeypadEnterOnSysInfo", Qt::Key_Enter, "cmdSysInfo"},
                                           KeyCase{"EscapeOnSysInfo", Qt::Key_Escape, "cmdSysInfo"}),
                         [](const auto& info) { return std::string(info.param.name); });

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

// A click or Space on the system-information button brings its message, and
// the box stays open.
TEST_F(FrmAboutTest, SystemInformationIsUnavailableAndTheBoxStaysOpen) {
  bool openAfterClick = false, openAfterSpace = false;
  DialogDriver driver({[&](QWidget* d) {
    auto* sysInfo = Control<QPushButton>(d, "cmdSysInfo");
    QTest::mouseClick(sysInfo, Qt::LeftButton);
    openAfterClick = d->isVisible();
    sysInfo->setFocus();
    QTest::keyClick(sysInfo, Qt::Key_Space);
    openAfterSpace = d->isVisible();
    QTest::mouseClick(Control<QPushButton>(d, "cmdOK"), Qt::LeftButton);
  }});
  OpenAbout();
  ASSERT_EQ(answerer.boxes.size(), 2u);
  for (const SeenBox& box : answerer.boxes) {
    EXPECT_EQ(box.text, QString::fromUtf8(msg::kNoSysInfo));
    EXPECT_EQ(box.title, "Korimo");
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
  }
  EXPECT_TRUE(openAfterClick);
  EXPECT_TRUE(openAfterSpace);
}

}  // namespace
}  // namespace korimo::test
