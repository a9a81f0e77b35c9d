// Keyboard filters, focus, drag and drop, the unsaved-carrier question, exit,
// help and the real file dialogs of the main window.
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QTextBrowser>
#include <QUrl>
#include <functional>

#include "engine/Messages.h"
#include "engine/TextFields.h"
#include "tests/ui/MainWindowFixture.h"
#include "ui/desktop/FileDialogs.h"
#include "ui/desktop/HelpViewer.h"

namespace korimo::test {
namespace {

using namespace Korimocom;
const QString Q(const char* s) { return QString::fromUtf8(s); }

TEST_F(MainWindowTest, TextFieldsMoveTheCaretButNeverChange) {
  const std::string path = WriteBmp("a rather long picture file name for the caret.bmp", 16, 20);
  OpenImage(path);
  QApplication::clipboard()->setText(Q("pasted"));
  for (const char* name : {"Text1", "Text2", "Text3"}) {
    auto* field = Child<QLineEdit>(name);
    const QString before = field->text();
    field->setFocus();
    field->setCursorPosition(3);
    struct Key { Qt::Key key; Qt::KeyboardModifiers mods; int caretAfter; };
    const Key keys[] = {
        {Qt::Key_Right, Qt::NoModifier, 4}, {Qt::Key_Left, Qt::NoModifier, 3},
        {Qt::Key_Home, Qt::NoModifier, 3},  {Qt::Key_End, Qt::NoModifier, 3},
        {Qt::Key_A, Qt::NoModifier, 3},     {Qt::Key_Backspace, Qt::NoModifier, 3},
        {Qt::Key_Delete, Qt::NoModifier, 3}, {Qt::Key_Return, Qt::NoModifier, 3},
        {Qt::Key_V, Qt::ControlModifier, 3}, {Qt::Key_X, Qt::ControlModifier, 3},
        {Qt::Key_Z, Qt::ControlModifier, 3}, {Qt::Key_Space, Qt::ShiftModifier, 3},
    };
    for (const Key& k : keys) {
      QTest::keyClick(field, k.key, k.mods);
      EXPECT_EQ(field->text(), before) << name << " key " << k.key;
      EXPECT_EQ(field->cursorPosition(), std::min(k.caretAfter, int(before.size()))) << name << " key " << k.key;
    }
    // Input-method composition and commit do not reach the field either.
    QInputMethodEvent compose(Q("あ"), {});
    QApplication::sendEvent(field, &compose);
    QInputMethodEvent commit;
    commit.setCommitString(Q("漢字"));
    QApplication::sendEvent(field, &commit);
    EXPECT_EQ(field->text(), before) << name;
  }
}

TEST_F(MainWindowTest, FocusReturnsToPlayAfterEachDialog) {
  OpenImage(WriteBmp("p.bmp", 40, 30));
  OpenSound(WriteWav("v.wav", 60));
  const std::function<void()> openers[] = {
      [&] { driver.Dialog(Q("frmAbout"), [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
            window->menuAbout_Click(); },
      [&] { driver.ClosePassword(); Press(1); },
      [&] { driver.Memo(Q("memo")); Press(4); },
  };
  for (const auto& open : openers) {
    Child("Text1")->setFocus();
    open();
    EXPECT_TRUE(driver.WaitDone());
    EXPECT_EQ(window->focusWidget(), Child("Command2"));
  }
}

// Drags a list of files (or other data) onto a widget; returns whether the
// drag-over accepted it.
bool DragAndDrop(QWidget* target, QMimeData* data, Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction) {
  const QPoint at = target->rect().center();
  QDragEnterEvent enter(at, actions, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
  QDropEvent drop(at, actions, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return true;
}

QMimeData* Files(const std::vector<std::string>& paths) {
  auto* data = new QMimeData;
  QList<QUrl> urls;
  for (const std::string& p : paths) urls << QUrl::fromLocalFile(QString::fromStdString(p));
  data->setUrls(urls);
  return data;
}

TEST_F(MainWindowTest, DropLoadsTheFirstFileOnThePictureOnly) {
  const std::string first = WriteBmp("画像 その1.bmp", 16, 20);
  const std::string second = WriteBmp("second.bmp", 40, 30);
  QLabel* picture = Child<QLabel>("Image2");

  // Anywhere but the picture area: nothing is loaded.
  for (const char* name : {"Text1", "Text3", "Frame1", "Frame2", "Command2", "Image1", "client"}) {
    std::unique_ptr<QMimeData> data(Files({second}));
    EXPECT_FALSE(DragAndDrop(Child(name), data.get())) << name;
  }
  std::unique_ptr<QMimeData> toBar(Files({second}));
  EXPECT_FALSE(DragAndDrop(window->statusBar(), toBar.get()));
  EXPECT_EQ(ImageLoaded, 0);

  // No file in the data, or only a move offered: refused while dragging over.
  std::unique_ptr<QMimeData> text(new QMimeData);
  text->setText(Q("just text"));
  EXPECT_FALSE(DragAndDrop(picture, text.get()));
  std::unique_ptr<QMimeData> moveOnly(Files({second}));
  EXPECT_FALSE(DragAndDrop(picture, moveOnly.get(), Qt::MoveAction));
  EXPECT_EQ(ImageLoaded, 0);

  // Several files: the first is opened, like the open-image command.
  std::unique_ptr<QMimeData> several(Files({first, second, dir / "missing.bmp"}));
  EXPECT_TRUE(DragAndDrop(picture, several.get()));
  EXPECT_EQ(Text(1).toStdString(), first);
  EXPECT_EQ(Text(2), Q(msg::kNoSound));
  EXPECT_EQ(Status(), Q("画像データ 960Bytes  音声合成最大サイズ 88Bytes"));

  // A WAV dropped on the picture is refused by the loader; the image stays.
  driver.Box(Q(msg::kCannotRead));
  std::unique_ptr<QMimeData> wav(Files({WriteWav("v.wav", 10)}));
  EXPECT_TRUE(DragAndDrop(picture, wav.get()));
  EXPECT_TRUE(driver.WaitDone());
  EXPECT_EQ(Text(1).toStdString(), first);
}

TEST_F(MainWindowTest, UnsavedCarrierIsOfferedForSavingFirst) {
  const QString question = Q(msg::kUnsavedCarrier);
  const std::string other = WriteBmp("other.bmp", 16, 20);
  struct Row {
    const char* command;
    const char* answer;
    std::function<void()> run;
    std::function<void()> check;
  };
  const Row rows[] = {
      {"open image, No, cancel", "いいえ",
       [&] { dialogAnswers.push_back(std::nullopt); window->menuImageRead_Click(); },
       [&] { EXPECT_EQ(Text(3), Q(msg::kSynthesisDone)); EXPECT_EQ(ImageSaved, 0); }},
      {"open image, Yes, save, open", "はい",
       [&] { dialogAnswers.push_back(dir / "saved.bmp"); OpenImage(other); },
       [&] { EXPECT_TRUE(FileExists(dir / "saved.bmp")); EXPECT_EQ(Text(1).toStdString(), other); }},
      {"drop, No", "いいえ",
       [&] { std::unique_ptr<QMimeData> d(Files({other})); DragAndDrop(Child("Image2"), d.get()); },
       [&] { EXPECT_EQ(Text(1).toStdString(), other); EXPECT_EQ(ImageSaved, 1); }},
      {"open sound, Yes, save cancelled, open cancelled", "はい",
       [&] { dialogAnswers.push_back(std::nullopt); dialogAnswers.push_back(std::nullopt);
             window->menuSoundRead_Click(); },
       [&] { EXPECT_EQ(ImageSaved, 0);
             EXPECT_EQ(dialogKinds.back(), ui::FileDialogKind::Open); }},
      {"clear, No", "いいえ", [&] { window->menuFileClear_Click(); },
       [&] { EXPECT_EQ(Text(1) + Text(2) + Text(3) + Status(), QString());
             EXPECT_TRUE(Child<QLabel>("Image2")->pixmap().isNull());
             driver.Box(Q(msg::kLoadBothToSynthesize));
             Press(1); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.command);
    SynthesizeUnsaved();
    const size_t before = driver.boxes.size();
    driver.Box(question, Q(row.answer));
    row.run();
    EXPECT_TRUE(driver.WaitDone());
    ASSERT_GT(driver.boxes.size(), before);
    EXPECT_EQ(driver.boxes[before].buttons, (QStringList{Q("はい(&Y)"), Q("いいえ(&N)")}));
    EXPECT_EQ(driver.boxes[before].icon, QMessageBox::Warning);
    row.check();
  }
  // With nothing unsaved no question is asked.
  OpenImage(other);
  EXPECT_EQ(driver.boxes.size(), 6u);
}

TEST_F(MainWindowTest, ExitKeepsACarrierTheUserWantedSavedAndRemovesTempWav) {
  for (const bool closeBox : {false, true}) {
    SCOPED_TRACE(closeBox ? "close box" : "end menu");
    SynthesizeUnsaved();
    Press(2);  // extracts temp.wav from the new carrier (no password, no memo)
    ASSERT_TRUE(FileExists(TempWav()));
    window->menuToolHelp_Click();
    ASSERT_NE(ui::HelpWindow(), nullptr);

    const size_t before = driver.boxes.size();
    const auto end = [&] {
      if (closeBox) window->close();
      else window->menuEnd_Click();
      EXPECT_TRUE(driver.WaitDone());
      QTest::qWait(50);
    };
    // "はい" and the save dialog cancelled: the carrier would be lost, so the
    // window stays as it was.
    driver.Box(Q(msg::kUnsavedCarrier), Q("はい"));
    dialogAnswers.push_back(std::nullopt);
    end();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(ImageSaved, 0);
    EXPECT_TRUE(FileExists(TempWav()));
    // "いいえ": one question, and the application ends.
    driver.Box(Q(msg::kUnsavedCarrier), Q("いいえ"));
    end();
    EXPECT_EQ(driver.boxes.size(), before + 2);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(FileExists(TempWav()));
    EXPECT_EQ(ui::HelpWindow(), nullptr);

    // A fresh window for the second round.
    window = std::make_unique<ui::KorimoMain>();
    ASSERT_TRUE(window->Form_Load());
    window->show();
    QApplication::setActiveWindow(window.get());
  }
}

TEST_F(MainWindowTest, SecondInstanceExitLeavesTempWav) {
  WriteFile(TempWav(), MakeWav(10));
  AlreadyRunning = 1;
  window->QuitApplication();
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(FileExists(TempWav()));
}

// Qt's own file dialogs and overwrite question speak the window's Japanese.
TEST_F(MainWindowTest, QtsOwnDialogsSpeakJapanese) {
  const char* overwrite = "%1 already exists.\nDo you want to replace it?";
  ASSERT_TRUE(ui::InstallQtTranslations(QLocale(QLocale::Japanese, QLocale::Japan)))
      << "qt6-translations-l10n is not installed";
  EXPECT_NE(QCoreApplication::translate("QFileDialog", overwrite), Q(overwrite));
  EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), Q("Look in:"));
  ui::InstallQtTranslations(QLocale::c());  // none: back to Qt's English
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), Q("Look in:"));
}

TEST_F(MainWindowTest, HelpOpensOurViewerAndShowsItsOwnNoticeForAMissingFile) {
  window->menuToolHelp_Click();
  QWidget* help = ui::HelpWindow();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_FALSE(help->isModal());
  const QString contents = help->findChild<QTextBrowser*>()->toPlainText();
  for (const char* topic : {"目次", "合成", "メモ", "再生", "音声＆メモ再生", "保存", "クリア", "終了"})
    EXPECT_TRUE(contents.contains(Q(topic))) << topic;

  ui::ShowHelpContents(dir / "missing.hlp");
  EXPECT_TRUE(help->findChild<QTextBrowser*>()->toPlainText().contains(QString::fromStdString(dir / "missing.hlp")));
  EXPECT_TRUE(driver.boxes.empty());  // no message box of ours
  ui::QuitHelp();
  EXPECT_EQ(ui::HelpWindow(), nullptr);
}

// Types a full path into a file dialog's name box and presses Enter.
void TypeFileName(QFileDialog* dialog, const std::string& path) {
  auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(name, nullptr);
  name->setText(QString::fromStdString(path));
  QTest::keyClick(name, Qt::Key_Return);
}

// The real, non-native Qt file dialogs, answered through their widgets.
TEST_F(MainWindowTest, RealFileDialogsUseOurFiltersAndAddNoExtension) {
  ui::SetFileDialogHook({});
  const std::string image = WriteBmp("real.bmp", 16, 20);
  auto isFileDialog = [](QWidget* w) { return qobject_cast<QFileDialog*>(w) != nullptr; };
  QStringList filters;
  driver.Custom(isFileDialog, [&](QWidget* w) {
    auto* d = static_cast<QFileDialog*>(w);
    filters = d->nameFilters();
    EXPECT_EQ(d->fileMode(), QFileDialog::ExistingFile);
    EXPECT_TRUE(d->testOption(QFileDialog::DontUseNativeDialog));
    TypeFileName(d, image);
  });
  window->menuImageRead_Click();
  EXPECT_TRUE(driver.WaitDone());
  EXPECT_EQ(filters, (QStringList{Q("BMP画像データ(*.bmp) (*.bmp *.BMP)"), Q("すべてのファイル(*.*) (*)")}));
  EXPECT_EQ(Text(1).toStdString(), image);

  driver.Custom(isFileDialog, [&](QWidget* w) {
    auto* d = static_cast<QFileDialog*>(w);
    EXPECT_EQ(d->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(d->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(d->defaultSuffix(), QString());
    TypeFileName(d, dir / "noext");
  });
  window->menuFileSave_Click();
  EXPECT_TRUE(driver.WaitDone());
  EXPECT_TRUE(FileExists(dir / "noext"));
  EXPECT_FALSE(FileExists(dir / "noext.bmp"));
}

}  // namespace
}  // namespace korimo::test
