// The main window: picture, three display-only path fields, the edit and
// play frames, the menus and the one-panel status line. It keeps no state of
// its own; every flag and figure it reads or writes lives in Korimocom, and
// every command runs its step from commands/.
//   KorimoMain.cpp      the form: controls, menus, start-up and shutdown
//   KorimoCommands.cpp  the menu items and buttons, and UpdateView
//   KorimoInput.cpp     keyboard and drag and drop
#pragma once

#include <QLocale>
#include <QMainWindow>
#include <QStringList>
#include <optional>
#include <string>

#include "engine/Sealed.h"

class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace korimo::ui {

// Program-wide look shared by every window: the program icon and the font
// substitutions that give the memo boxes a Japanese monospace font.
void SetUpApplication();

// Loads Qt's own translations for `language`, so that its file dialogs and
// questions speak the window's language. False when they are not installed.
bool InstallQtTranslations(const QLocale& language);

// The help file for a program in `appDir` (ending in "/"): "korimo110.hlp"
// beside it, else in ../share/korimo relative to it.
std::string FindHelpFile(const std::string& appDir);

class KorimoMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit KorimoMain(QWidget* parent = nullptr);
  ~KorimoMain() override;

  // Start-up. Returns false when this is a second instance, which has then
  // shown its message and ended through QuitApplication.
  bool Form_Load();
  // Focus to "音声＆メモ再生": on first showing and after every dialog.
  void Form_Activate();
  void Form_Unload(int& cancel);
  void Form_KeyDown(int& keyCode, int shift);
  void Form_KeyPress(int& keyAscii);

  void Text1_KeyDown(int& keyCode, int shift);
  void Text2_KeyDown(int& keyCode, int shift);
  void Text3_KeyDown(int& keyCode, int shift);
  void Text1_KeyPress(int& keyAscii);
  void Text2_KeyPress(int& keyAscii);
  void Text3_KeyPress(int& keyAscii);

  void menuImageRead_Click();
  void menuSoundRead_Click();
  void menuFileSave_Click();
  void menuFileClear_Click();
  void menuEnd_Click();
  void menuSoundSave_Click();
  void menuToolHelp_Click();
  void menuAbout_Click();
  void menuSealedSynthesize_Click();  // 暗号化して合成
  void menuSealedOpen_Click();        // 暗号化画像を開く

  void Command1_Click();  // 合成
  void Command2_Click();  // 音声＆メモ再生
  void Command3_Click();  // 再生
  void Command4_Click();  // メモ

  // effect: in/out, the drop effects the source offers (1 = copy).
  void Image2_OLEDragOver(int& effect);
  void Image2_OLEDragDrop(const QStringList& files);

  // Files named on the command line, opened as if chosen in the open
  // dialogs: the first one that is not a sound file (.wav, .flac, .ogg,
  // .oga, .opus, .mp3) through the open-image command, then the first sound
  // file through the open-sound command.
  void OpenStartupFiles(const QStringList& files);

  // Ends the application: at most one save question, help closed, temp.wav
  // removed (unless a second instance), dialogs and window unloaded. Returns
  // false, changing nothing, when the user asked to save the carrier and it
  // was not saved (the save dialog cancelled, or the save failed): the window
  // stays open with the carrier rather than lose it, except when the desktop
  // session is ending.
  bool QuitApplication();
  // Ends the application as "終了" does, without any question (a stop signal).
  void EndWithoutQuestions();

  // The help file set at start-up.
  const std::string& HelpFile() const { return helpFile_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;

 private:
  // What a command changed, for UpdateView.
  enum class Shown { ImageOpened, SoundOpened, SoundLost, Synthesized, CarrierSoundExtracted, Nothing };
  void UpdateView(Shown shown, const std::string& path = {});

  void BuildLayout();
  void BuildMenus();
  bool AskToSaveUnsaved();
  // True when the picture was opened (and searched for sound).
  bool OpenImageFile(const std::string& path);
  void OpenSoundFile(const std::string& path);
  std::optional<std::string> ChooseFileToOpen(const char* filter);
  void ShowPicture(const std::string& path);
  void SetStatus(const std::string& text);
  void SetField(QLineEdit* field, const QString& text);
  void FilterTextKeyDown(int& keyCode);
  bool HandlePictureDrag(QEvent* event);

  QLabel* Image1 = nullptr;
  QLabel* Image2 = nullptr;
  QGroupBox* Frame1 = nullptr;
  QGroupBox* Frame2 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* Text1 = nullptr;
  QLineEdit* Text2 = nullptr;
  QLineEdit* Text3 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  QPushButton* Command3 = nullptr;
  QPushButton* Command4 = nullptr;
  QLabel* statusPanel_ = nullptr;  // panel 1 of StatusBar1

  std::string helpFile_;
  // The sound of the sealed picture on show (or just sealed): played from
  // memory, never written to disk; forgotten by clear, another open and exit.
  std::optional<sealed::Opened> sealedSound_;
  bool activatedOnce_ = false;
  bool unloading_ = false;
  bool sessionEnding_ = false;  // the desktop session is ending: nothing may keep the window
};

}  // namespace korimo::ui
