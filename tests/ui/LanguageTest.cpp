// The window's language from the environment: a walk through the menus,
// dialogs, message boxes, status texts and help page finds English only
// where English is asked for, and the Japanese texts everywhere else.
#include <QAbstractButton>
#include <QGroupBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextBrowser>
#include <cstdlib>

#include "engine/Messages.h"
#include "tests/support/NamedCases.h"
#include "tests/ui/MainWindowFixture.h"
#include "ui/main/Language.h"
#include "ui/desktop/HelpViewer.h"

namespace korimo::test {
namespace {

// LANGUAGE, LC_ALL, LC_MESSAGES, LANG (nullptr = unset) and the language they ask for.
struct LanguageCase {
  const char* label;
  const char* values[4];
  bool english;
};
const LanguageCase kLanguages[] = {
    {"LangEnglish", {nullptr, nullptr, nullptr, "en_US.UTF-8"}, true},
    {"LanguageListStartsWithEnglish", {"en:ja", nullptr, nullptr, "ja_JP.UTF-8"}, true},
    {"LcMessagesEnglish", {nullptr, nullptr, "en_GB.UTF-8", "C.UTF-8"}, true},
    {"LcAllJapaneseBeforeLang", {nullptr, "ja_JP.UTF-8", nullptr, "en_US.UTF-8"}, false},
    {"CUtf8", {nullptr, nullptr, nullptr, "C.UTF-8"}, false},
    {"Posix", {nullptr, "POSIX", nullptr, nullptr}, false},
};
constexpr const char* kVariables[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};

class LanguageTest : public MainWindowTest, public ::testing::WithParamInterface<LanguageCase> {
 protected:
  void SetUp() override {
    for (int i = 0; i < 4; ++i) {
      if (const char* old = std::getenv(kVariables[i])) saved[i] = old;
      if (GetParam().values[i]) setenv(kVariables[i], GetParam().values[i], 1);
      else unsetenv(kVariables[i]);
    }
    translation = ui::InstallTranslation(QStringLiteral(KORIMO_PROGRAM_DIR));
    MainWindowTest::SetUp();
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    translation.reset();
    for (int i = 0; i < 4; ++i) saved[i] ? setenv(kVariables[i], saved[i]->c_str(), 1) : unsetenv(kVariables[i]);
  }
  // Every caption of a window and its controls and menus; not what the user typed or chose.
  void Collect(QWidget* w) {
    texts << w->windowTitle();
    for (QLabel* l : w->findChildren<QLabel*>()) texts << l->text();
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) texts << b->text();
    for (QGroupBox* g : w->findChildren<QGroupBox*>()) texts << g->title();
    for (QMenu* m : w->findChildren<QMenu*>()) texts << m->title();
    for (QAction* a : w->findChildren<QAction*>()) texts << a->text();
  }
  std::unique_ptr<QTranslator> translation;
  std::optional<std::string> saved[4];
  QStringList texts;
};

TEST_P(LanguageTest, EveryTextOfTheWindowIsInTheAskedLanguage) {
  EXPECT_EQ(translation != nullptr, GetParam().english);
  Collect(window.get());
  driver.AnswerEveryBox();
  const auto ok = [](QWidget* w, const char* button) {
    QTest::mouseClick(w->findChild<QAbstractButton*>(QString::fromLatin1(button)), Qt::LeftButton);
  };
  Press(2);  // no carrier: a message box
  driver.Dialog(QStringLiteral("frmAbout"), [&](QWidget* w) { Collect(w), ok(w, "cmdOK"); });
  window->menuAbout_Click();
  OpenImage(WriteBmp("p.bmp", 40, 30));
  OpenSound(WriteWav("v.wav", 60));
  texts << Status();
  driver.Dialog(QStringLiteral("Memoin"), [&](QWidget* w) {
    Collect(w);
    w->findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->setPlainText(QStringLiteral("memo"));
    ok(w, "Command1");
  });
  Press(4);
  driver.Dialog(QStringLiteral("Passin"), [&](QWidget* w) { Collect(w), ok(w, "Command1"); });
  Press(1);
  EXPECT_TRUE(driver.WaitDone());
  texts << Text(3) << Status();
  dialogAnswers.push_back(dir / "carrier.bmp");
  window->menuFileSave_Click();
  window->menuFileClear_Click();
  OpenImage(dir / "carrier.bmp");
  texts << Text(2) << Status();
  driver.Dialog(QStringLiteral("Memoout"), [&](QWidget* w) { Collect(w), ok(w, "Command1"); });
  Press(2);
  EXPECT_TRUE(driver.WaitDone());
  window->menuToolHelp_Click();
  ASSERT_NE(ui::HelpWindow(), nullptr);
  texts << ui::HelpWindow()->windowTitle()
        << ui::HelpWindow()->findChild<QTextBrowser*>(QStringLiteral("helpText"))->toPlainText();
  texts << driver.BoxTexts();
  for (const SeenBox& box : driver.boxes) texts << box.buttons;

  texts.removeAll(QString());
  const QRegularExpression japanese(QStringLiteral("[\\x{3000}-\\x{30FF}\\x{4E00}-\\x{9FFF}\\x{FF00}-\\x{FFEF}]"));
  if (GetParam().english) {
    for (const QString& text : texts) EXPECT_FALSE(text.contains(japanese)) << text.toStdString();
  } else {
    for (const char* japaneseText : {"ファイル(&F)", "音声を保存(&W)...", msg::kLoadCarrier, msg::kHasSound, "メモ表示"})
      EXPECT_TRUE(texts.contains(QString::fromUtf8(japaneseText))) << japaneseText;
  }
}

INSTANTIATE_TEST_SUITE_P(Environments, LanguageTest, ::testing::ValuesIn(kLanguages), ByLabel{});

}  // namespace
}  // namespace korimo::test
