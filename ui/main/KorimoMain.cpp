// The main window as a form: its controls, menus, start-up, activation and
// shutdown. The command handlers are in KorimoCommands.cpp, the keyboard and
// drop handling in KorimoInput.cpp.
#include "ui/main/KorimoMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSessionManager>
#include <QStatusBar>
#include <QTranslator>
#include <utility>

#include "commands/Commands.h"
#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "platform/Platform.h"
#include "platform/TempDir.h"
#include "platform/Version.h"
#include "ui/desktop/QtPort.h"
#include "ui/dialogs/KorimoDialog.h"
#include "ui/forms/KeyCodes.h"
#include "ui/forms/Twips.h"
#include "ui/dialogs/Dialogs.h"
#include "ui/desktop/HelpViewer.h"
#include "ui/desktop/SingleInstance.h"

// Resources of a static library are registered by hand.
static void InitKorimoResources() { Q_INIT_RESOURCE(korimo); }

namespace korimo::ui {

using namespace Korimocom;
using commands::IgnoringErrors;

namespace {

constexpr char kHelpFileName[] = QT_TRANSLATE_NOOP("korimo::ui", "korimo110.hlp");

// Creates a control where the form places it: object name, position in
// twips, and the caption when it has one.
template <typename Control, typename... Caption>
Control* Place(QWidget* parent, const char* name, const QRect& geometry, Caption&&... caption) {
  auto* control = new Control(std::forward<Caption>(caption)..., parent);
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(geometry);
  return control;
}

}  // namespace

// The help file beside the program, as in the build tree; an installed
// program has it in ../share/korimo instead. Neither there: the path beside
// the program, and the help viewer reports it missing.
std::string FindHelpFile(const std::string& appDir) {
  // Each language has its own page; its name is part of the translation.
  const std::string name = QCoreApplication::translate("korimo::ui", kHelpFileName).toStdString();
  const std::string beside = appDir + name;
  if (QFileInfo::exists(QString::fromStdString(beside))) return beside;
  const QString installed =
      QDir::cleanPath(QString::fromStdString(appDir) + QStringLiteral("../share/korimo/") + QString::fromStdString(name));
  return QFileInfo::exists(installed) ? installed.toStdString() : beside;
}

void SetUpApplication() {
  InitKorimoResources();
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/korimo/korimo.png")));
  QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
  QFont::insertSubstitution(QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"));
}

bool InstallQtTranslations(const QLocale& language) {
  // Qt's own texts (file dialogs, the overwrite question, context menus):
  // Debian's qt6-translations-l10n puts them in Qt's translations folder.
  static QTranslator translator;
  QCoreApplication::removeTranslator(&translator);
  if (!translator.load(language, QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  return QCoreApplication::installTranslator(&translator);
}

KorimoMain::KorimoMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("KorimoMain"));
  setWindowTitle(QStringLiteral("Korimo Ver.") + QString::fromLatin1(kVersion));
  // Fixed single border: minimise and close, no maximise.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  BuildLayout();
  BuildMenus();
#if QT_CONFIG(sessionmanager)
  // The desktop session is ending: an unsaved carrier may not keep the window.
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { sessionEnding_ = true; });
#endif
  // Client area 7935 x 4950 twips; the menu bar comes on top of it.
  setFixedSize(Pixels(7935), Pixels(4950) + menuBar()->sizeHint().height());

  SetDialogOwner(this);
  SetAfterDialogHook([this] { Form_Activate(); });
}

KorimoMain::~KorimoMain() {
  SetAfterDialogHook({});
  SetDialogOwner(nullptr);
}

void KorimoMain::BuildLayout() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  client->setFixedSize(Pixels(7935), Pixels(4575));
  setCentralWidget(client);

  // An empty picture control behind everything; it has no behaviour.
  Image1 = Place<QLabel>(client, "Image1", TwipsRect(0, 0, 7935, 4575));

  // The picture area: the loaded image stretched over it; the only drop target.
  Image2 = Place<QLabel>(client, "Image2", TwipsRect(240, 480, 4980, 3735));
  Image2->setScaledContents(true);
  Image2->setFrameShape(QFrame::Box);
  Image2->setAcceptDrops(true);
  Image2->installEventFilter(this);

  Frame2 = Place<QGroupBox>(client, "Frame2", TwipsRect(5400, 2760, 2295, 1455), QCoreApplication::translate("KorimoMain", "再生"));
  Command2 = Place<QPushButton>(Frame2, "Command2", TwipsRect(720, 960, 1455, 375), QCoreApplication::translate("KorimoMain", "音声＆メモ再生"));
  Text3 = Place<QLineEdit>(Frame2, "Text3", TwipsRect(120, 480, 2055, 270));
  Label3 = Place<QLabel>(Frame2, "Label3", TwipsRect(120, 240, 1815, 255), QCoreApplication::translate("KorimoMain", "合成ファイル"));

  Frame1 = Place<QGroupBox>(client, "Frame1", TwipsRect(5400, 360, 2295, 2295), QCoreApplication::translate("KorimoMain", "編集"));
  Command4 = Place<QPushButton>(Frame1, "Command4", TwipsRect(840, 1680, 615, 375), QCoreApplication::translate("KorimoMain", "メモ"));
  Command3 = Place<QPushButton>(Frame1, "Command3", TwipsRect(1560, 1680, 615, 375), QCoreApplication::translate("KorimoMain", "再生"));
  Command1 = Place<QPushButton>(Frame1, "Command1", TwipsRect(120, 1680, 615, 375), QCoreApplication::translate("KorimoMain", "合成"));
  Text2 = Place<QLineEdit>(Frame1, "Text2", TwipsRect(120, 1200, 2055, 270));
  Text1 = Place<QLineEdit>(Frame1, "Text1", TwipsRect(120, 480, 2055, 270));
  Label2 = Place<QLabel>(Frame1, "Label2", TwipsRect(120, 960, 1815, 255), QCoreApplication::translate("KorimoMain", "音声ファイル"));
  Label1 = Place<QLabel>(Frame1, "Label1", TwipsRect(120, 240, 1815, 255), QCoreApplication::translate("KorimoMain", "画像ファイル"));

  // Display-only fields: their key handlers swallow every editing key, and
  // an input method must not compose into them either.
  new KeyHandlerFilter(
      Text1, [this](int& code, int shift) { Text1_KeyDown(code, shift); },
      [this](int& ascii) { Text1_KeyPress(ascii); }, true);
  new KeyHandlerFilter(
      Text2, [this](int& code, int shift) { Text2_KeyDown(code, shift); },
      [this](int& ascii) { Text2_KeyPress(ascii); }, true);
  new KeyHandlerFilter(
      Text3, [this](int& code, int shift) { Text3_KeyDown(code, shift); },
      [this](int& ascii) { Text3_KeyPress(ascii); }, true);
  for (QLineEdit* field : {Text1, Text2, Text3}) {
    // Read-only shuts every editing route (typing, paste, drops); the key
    // filter above also keeps Home, End and the like from moving the caret.
    field->setReadOnly(true);
    field->setAttribute(Qt::WA_InputMethodEnabled, false);
    field->setTextMargins(0, 0, 0, 0);
  }

  connect(Command1, &QPushButton::clicked, this, &KorimoMain::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &KorimoMain::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &KorimoMain::Command3_Click);
  connect(Command4, &QPushButton::clicked, this, &KorimoMain::Command4_Click);

  // Keyboard order: Text1, Text2, 合成, メモ, 再生, Text3, 音声＆メモ再生.
  setTabOrder(Text1, Text2);
  setTabOrder(Text2, Command1);
  setTabOrder(Command1, Command4);
  setTabOrder(Command4, Command3);
  setTabOrder(Command3, Text3);
  setTabOrder(Text3, Command2);

  // StatusBar1: one text panel spanning the bar, kept until a command
  // replaces it (menu hover tips must not wipe it).
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar1"));
  bar->setSizeGripEnabled(false);
  bar->setFixedHeight(Pixels(375));
  statusPanel_ = new QLabel(bar);
  statusPanel_->setObjectName(QStringLiteral("statusPanel"));
  statusPanel_->setFrameShape(QFrame::Panel);
  statusPanel_->setFrameShadow(QFrame::Sunken);
  bar->addPermanentWidget(statusPanel_, 1);
}

void KorimoMain::BuildMenus() {
  auto addItem = [this](QMenu* menu, const char* name, const QString& caption, auto handler) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, handler);
    return action;
  };
  QMenu* menuFile = menuBar()->addMenu(QCoreApplication::translate("KorimoMain", "ファイル(&F)"));
  menuFile->setObjectName(QStringLiteral("menuFile"));
  QMenu* menuFileRead = menuFile->addMenu(QCoreApplication::translate("KorimoMain", "開く(&O)..."));
  menuFileRead->setObjectName(QStringLiteral("menuFileRead"));
  addItem(menuFileRead, "menuImageRead", QCoreApplication::translate("KorimoMain", "画像ファイル(&I)"), &KorimoMain::menuImageRead_Click);
  addItem(menuFileRead, "menuSoundRead", QCoreApplication::translate("KorimoMain", "音声ファイル(&S)"), &KorimoMain::menuSoundRead_Click);
  addItem(menuFile, "menuFileSave", QCoreApplication::translate("KorimoMain", "保存(&S)"), &KorimoMain::menuFileSave_Click);
  addItem(menuFile, "menuFileClear", QCoreApplication::translate("KorimoMain", "クリア(&C)"), &KorimoMain::menuFileClear_Click);
  menuFile->addSeparator()->setObjectName(QStringLiteral("menuDummy"));
  addItem(menuFile, "menuEnd", QCoreApplication::translate("KorimoMain", "終了(&E)"), &KorimoMain::menuEnd_Click);
  QMenu* menuTool = menuBar()->addMenu(QCoreApplication::translate("KorimoMain", "ツール(&T)"));
  menuTool->setObjectName(QStringLiteral("menuTool"));
  addItem(menuTool, "menuSoundSave", QCoreApplication::translate("KorimoMain", "音声を保存(&W)..."), &KorimoMain::menuSoundSave_Click);
  addItem(menuTool, "menuSealedSynthesize", QCoreApplication::translate("KorimoMain", "暗号化して合成(&E)..."),
          &KorimoMain::menuSealedSynthesize_Click);
  addItem(menuTool, "menuSealedOpen", QCoreApplication::translate("KorimoMain", "暗号化画像を開く(&O)..."),
          &KorimoMain::menuSealedOpen_Click);
  QMenu* menuHelp = menuBar()->addMenu(QCoreApplication::translate("KorimoMain", "ヘルプ(&H)"));
  menuHelp->setObjectName(QStringLiteral("menuHelp"));
  addItem(menuHelp, "menuToolHelp", QCoreApplication::translate("KorimoMain", "Korimoヘルプ(&H)"), &KorimoMain::menuToolHelp_Click);
  addItem(menuHelp, "menuAbout", QCoreApplication::translate("KorimoMain", "Korimoについて(&A)"), &KorimoMain::menuAbout_Click);
}

// ---- Start-up, activation, shutdown ---------------------------------------

bool KorimoMain::Form_Load() {
  if (AnotherInstanceRunning()) {
    platform::Notify(msg::kAlreadyRunning);
    AlreadyRunning = 1;
    QuitApplication();
    return false;
  }

  // Centre the window (outer size) on the screen.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    const QSize outer = frameGeometry().size();
    move(area.left() + static_cast<int>((area.width() - outer.width()) / 2.0),
         area.top() + static_cast<int>((area.height() - outer.height()) / 2.0));
  }

  AppDir = QCoreApplication::applicationDirPath().toStdString();
  if (AppDir.empty() || AppDir.back() != '/') AppDir += '/';
  TempDir = platform::ChooseTempDir(AppDir);

  helpFile_ = FindHelpFile(AppDir);
  ResetWorkData();
  return true;
}

void KorimoMain::Form_Activate() {
  if (Command2->isVisible()) Command2->setFocus(Qt::ActiveWindowFocusReason);
}

void KorimoMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!activatedOnce_) Command2->setFocus(Qt::OtherFocusReason);
}

bool KorimoMain::event(QEvent* event) {
  // The first activation counts; later ones come from message boxes or other
  // applications, and dialogs report their closing through the hook.
  if (event->type() == QEvent::WindowActivate && !activatedOnce_) {
    activatedOnce_ = true;
    Form_Activate();
  }
  return QMainWindow::event(event);
}

void KorimoMain::Form_Unload(int& cancel) {
  // Cancelled only to keep an unsaved carrier the user wanted saved.
  cancel = QuitApplication() ? 0 : 1;
}

void KorimoMain::closeEvent(QCloseEvent* event) {
  unloading_ = true;  // the window is going already: QuitApplication must not close it again
  int cancel = 0;
  Form_Unload(cancel);
  if (cancel != 0) {
    unloading_ = false;
    event->ignore();
    return;
  }
  event->accept();
}

void KorimoMain::EndWithoutQuestions() {
  ImageSaved = 1;
  sessionEnding_ = true;
  QuitApplication();
}

bool KorimoMain::QuitApplication() {
  // At most one question: ImageSaved is 1 afterwards, so the second run from
  // Form_Unload asks nothing. "はい" with the save cancelled or failed keeps
  // the window and the carrier, unless the session is ending.
  if (ImageSaved == 0) {
    bool keep = false;
    IgnoringErrors([&] { keep = !AskToSaveUnsaved(); });
    if (keep && !sessionEnding_) return false;
    ImageSaved = 1;
  }
  IgnoringErrors([] { QuitHelp(); });
  // A second instance leaves temp.wav to the instance that owns it.
  if (AlreadyRunning == 0) {
    IgnoringErrors([] { commands::DiscardTempSound(); });
    IgnoringErrors([] { commands::DiscardConvertedSound(); });
  }
  sealedSound_.reset();
  IgnoringErrors([] { UnloadDialogs(); });
  if (!unloading_) {
    unloading_ = true;
    close();
  }
  return true;
}


}  // namespace korimo::ui
