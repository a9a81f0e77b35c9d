#include "ui/main/KorimoMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFont>
#include <QIcon>
#include <QGroupBox>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QUrl>
#include <cstdlib>
#include <exception>
#include <utility>

#include "engine/CarrierLayout.h"
#include "engine/Extraction.h"
#include "engine/Korimocom.h"
#include "engine/Memo.h"
#include "engine/Messages.h"
#include "engine/Playback.h"
#include "engine/StatusText.h"
#include "engine/Synthesis.h"
#include "media/BmpLoad.h"
#include "media/CarrierSave.h"
#include "media/WavLoad.h"
#include "platform/Platform.h"
#include "platform/qt/QtPlatform.h"
#include "ui/dialogs/DialogSupport.h"
#include "ui/dialogs/Dialogs.h"
#include "ui/main/PicturePreview.h"

// Resources of a static library are registered by hand.
static void InitKorimoResources() { Q_INIT_RESOURCE(korimo); }

namespace korimo::ui {

using namespace Korimocom;
namespace plat = korimo::platform;

namespace {

constexpr char kBmpFilter[] = "BMP画像データ(*.bmp)|*.bmp|すべてのファイル(*.*)|*.*";
constexpr char kWavFilter[] = "WAV音声データ(*.wav)|*.wav|すべてのファイル(*.*)|*.*";
constexpr char kHelpFileName[] = "korimo110.hlp";

// Windows virtual-key codes the text-field filter lets through.
constexpr int kVkPageUp = 33;
constexpr int kVkPageDown = 34;
constexpr int kVkLeft = 37;
constexpr int kVkUp = 38;
constexpr int kVkRight = 39;
constexpr int kVkDown = 40;

// Runs one step of a stretch where run-time errors are ignored: an error
// ends the step and the command goes on with the next one.
template <typename Step>
void IgnoringErrors(Step&& step) {
  try {
    step();
  } catch (const std::exception&) {
  }
}

void DeleteTempWav() { plat::Current().DeleteFile(layout::TempWavPath()); }

QString Q(const std::string& s) { return QString::fromStdString(s); }

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

void SetUpApplication() {
  InitKorimoResources();
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/korimo/korimo.png")));
  QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
  QFont::insertSubstitution(QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"));
}

KorimoMain::KorimoMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("KorimoMain"));
  setWindowTitle(QStringLiteral("Korimo Ver.1.10"));
  // Fixed single border: minimise and close, no maximise.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  BuildLayout();
  BuildMenus();
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

  Frame2 = Place<QGroupBox>(client, "Frame2", TwipsRect(5400, 2760, 2295, 1455), QStringLiteral("再生"));
  Command2 = Place<QPushButton>(Frame2, "Command2", TwipsRect(720, 960, 1455, 375), QStringLiteral("音声＆メモ再生"));
  Text3 = Place<QLineEdit>(Frame2, "Text3", TwipsRect(120, 480, 2055, 270));
  Label3 = Place<QLabel>(Frame2, "Label3", TwipsRect(120, 240, 1815, 255), QStringLiteral("合成ファイル"));

  Frame1 = Place<QGroupBox>(client, "Frame1", TwipsRect(5400, 360, 2295, 2295), QStringLiteral("編集"));
  Command4 = Place<QPushButton>(Frame1, "Command4", TwipsRect(840, 1680, 615, 375), QStringLiteral("メモ"));
  Command3 = Place<QPushButton>(Frame1, "Command3", TwipsRect(1560, 1680, 615, 375), QStringLiteral("再生"));
  Command1 = Place<QPushButton>(Frame1, "Command1", TwipsRect(120, 1680, 615, 375), QStringLiteral("合成"));
  Text2 = Place<QLineEdit>(Frame1, "Text2", TwipsRect(120, 1200, 2055, 270));
  Text1 = Place<QLineEdit>(Frame1, "Text1", TwipsRect(120, 480, 2055, 270));
  Label2 = Place<QLabel>(Frame1, "Label2", TwipsRect(120, 960, 1815, 255), QStringLiteral("音声ファイル"));
  Label1 = Place<QLabel>(Frame1, "Label1", TwipsRect(120, 240, 1815, 255), QStringLiteral("画像ファイル"));

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
  QMenu* menuFile = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
  menuFile->setObjectName(QStringLiteral("menuFile"));
  QMenu* menuFileRead = menuFile->addMenu(QStringLiteral("開く(&O)..."));
  menuFileRead->setObjectName(QStringLiteral("menuFileRead"));
  addItem(menuFileRead, "menuImageRead", QStringLiteral("画像ファイル(&I)"), &KorimoMain::menuImageRead_Click);
  addItem(menuFileRead, "menuSoundRead", QStringLiteral("音声ファイル(&S)"), &KorimoMain::menuSoundRead_Click);
  addItem(menuFile, "menuFileSave", QStringLiteral("保存(&S)"), &KorimoMain::menuFileSave_Click);
  addItem(menuFile, "menuFileClear", QStringLiteral("クリア(&C)"), &KorimoMain::menuFileClear_Click);
  menuFile->addSeparator()->setObjectName(QStringLiteral("menuDummy"));
  addItem(menuFile, "menuEnd", QStringLiteral("終了(&E)"), &KorimoMain::menuEnd_Click);
  QMenu* menuHelp = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
  menuHelp->setObjectName(QStringLiteral("menuHelp"));
  addItem(menuHelp, "menuToolHelp", QStringLiteral("Korimoヘルプ(&H)"), &KorimoMain::menuToolHelp_Click);
  addItem(menuHelp, "menuAbout", QStringLiteral("Korimoについて(&A)"), &KorimoMain::menuAbout_Click);
}

// ---- Start-up, activation, shutdown ---------------------------------------

bool KorimoMain::Form_Load() {
  if (plat::AnotherInstanceRunning()) {
    plat::Notify(msg::kAlreadyRunning);
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

  const char* temp = std::getenv("TEMP");
  TempDir = temp ? temp : "";
  AppDir = QCoreApplication::applicationDirPath().toStdString();
  if (AppDir.empty() || AppDir.back() != '/') AppDir += '/';
  if (!TempDir.empty() && TempDir.back() != '/') TempDir += '/';
  if (TempDir.empty()) TempDir = AppDir;

  helpFile_ = AppDir + kHelpFileName;
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

void KorimoMain::Form_Unload(int& /*cancel*/) {
  // Unloading cannot be cancelled: the flag is never set.
  QuitApplication();
}

void KorimoMain::closeEvent(QCloseEvent* event) {
  unloading_ = true;  // the window is going already: QuitApplication must not close it again
  int cancel = 0;
  Form_Unload(cancel);
  event->accept();
}

void KorimoMain::QuitApplication() {
  // At most one question: ImageSaved is 1 afterwards, whatever the answer
  // and whatever the save did, so the second run from Form_Unload asks nothing.
  if (ImageSaved == 0) {
    IgnoringErrors([this] { AskToSaveUnsaved(); });
    ImageSaved = 1;
  }
  IgnoringErrors([] { plat::QuitHelp(); });
  // A second instance leaves temp.wav to the instance that owns it.
  if (AlreadyRunning == 0) IgnoringErrors([] { DeleteTempWav(); });
  IgnoringErrors([] { UnloadDialogs(); });
  if (!unloading_) {
    unloading_ = true;
    close();
  }
}

// ---- Keyboard ---------------------------------------------------------------

void KorimoMain::Form_KeyDown(int& keyCode, int /*shift*/) { keyCode = 0; }
void KorimoMain::Form_KeyPress(int& keyAscii) { keyAscii = 0; }

// The three fields are display-only: the caret and the selection may move
// with the arrow and page keys, nothing else gets through.
void KorimoMain::FilterTextKeyDown(int& keyCode) {
  switch (keyCode) {
    case kVkPageUp:
    case kVkPageDown:
    case kVkLeft:
    case kVkUp:
    case kVkRight:
    case kVkDown:
      return;
    default:
      keyCode = 0;
  }
}

void KorimoMain::Text1_KeyDown(int& keyCode, int /*shift*/) { FilterTextKeyDown(keyCode); }
void KorimoMain::Text2_KeyDown(int& keyCode, int /*shift*/) { FilterTextKeyDown(keyCode); }
void KorimoMain::Text3_KeyDown(int& keyCode, int /*shift*/) { FilterTextKeyDown(keyCode); }
void KorimoMain::Text1_KeyPress(int& keyAscii) { keyAscii = 0; }
void KorimoMain::Text2_KeyPress(int& keyAscii) { keyAscii = 0; }
void KorimoMain::Text3_KeyPress(int& keyAscii) { keyAscii = 0; }

void KorimoMain::keyPressEvent(QKeyEvent* event) {
  // Keys that reach the window itself (no control took them) are discarded.
  int keyCode = VirtualKeyOf(*event);
  Form_KeyDown(keyCode, ShiftStateOf(*event));
  int keyAscii = KeyCharOf(*event);
  if (keyAscii != 0) Form_KeyPress(keyAscii);
  if (keyCode == 0 && keyAscii == 0) {
    event->accept();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

bool KorimoMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Image2) return HandlePictureDrag(event);
  return QMainWindow::eventFilter(watched, event);
}

// ---- Drag and drop ------------------------------------------------------------

namespace {

// The local files of a text/uri-list, in the order the source lists them.
QStringList DroppedFiles(const QMimeData* data) {
  QStringList files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile() && !url.toLocalFile().isEmpty()) files << url.toLocalFile();
  }
  return files;
}

}  // namespace

void KorimoMain::Image2_OLEDragOver(int& effect) {
  effect &= 1;  // copy only: a move or link is never offered
}

bool KorimoMain::HandlePictureDrag(QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      int effect = (drag->possibleActions() & Qt::CopyAction) ? 1 : 0;
      Image2_OLEDragOver(effect);
      // A drag that carries no file is refused here already.
      if (effect == 0 || DroppedFiles(drag->mimeData()).isEmpty()) {
        drag->ignore();
      } else {
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
      }
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const QStringList files = DroppedFiles(drop->mimeData());
      if (!(drop->possibleActions() & Qt::CopyAction) || files.isEmpty()) {
        drop->ignore();
        return true;
      }
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      Image2_OLEDragDrop(files);
      return true;
    }
    default:
      return false;
  }
}

void KorimoMain::Image2_OLEDragDrop(const QStringList& files) {
  IgnoringErrors([this] {
    activateWindow();
    raise();
  });
  AskToSaveUnsaved();
  if (files.isEmpty()) return;
  OpenImageFile(files.first().toStdString());
}

// ---- Shared pieces of the commands ------------------------------------------

void KorimoMain::SetStatus(const std::string& text) { statusPanel_->setText(Q(text)); }

// A new text shows from its start, as a text box does after its text is set.
void KorimoMain::SetField(QLineEdit* field, const QString& text) {
  field->setText(text);
  field->setCursorPosition(0);
}

void KorimoMain::AskToSaveUnsaved() {
  if (ImageSaved != 0) return;
  const plat::Answer answer =
      plat::Current().MessageBox(msg::kUnsavedCarrier, plat::Buttons::YesNo, plat::Icon::Exclamation);
  plat::Current().DoEvents();
  if (answer == plat::Answer::Yes) menuFileSave_Click();
}

void KorimoMain::ShowPicture(const std::string& path) {
  // The picture is stretched into a small area, so a plain 24/32-bit picture is
  // sampled at twice that size straight from the bytes already loaded; other
  // variants go through Qt's reader. A file neither can show leaves the
  // previous picture.
  QImage image = PicturePreview(ImageBytes, Image2->size() * 2);
  if (image.isNull()) image = QImageReader(Q(path)).read();
  if (!image.isNull()) Image2->setPixmap(QPixmap::fromImage(image));
}

// Steps shared by the open-image command and a drop, once the path is known.
void KorimoMain::OpenImageFile(const std::string& path) {
  plat::Current().SetWaitCursor(true);
  OperationFailed = 0;
  IgnoringErrors([&] { LoadImageData(path); });

  if (ImageLoaded == 1 && OperationFailed == 0) {
    IgnoringErrors([&] { ShowPicture(path); });
    IgnoringErrors([] { ExtractSound(); });
    SetField(Text1, Q(path));
    SetField(Text2, Q(status::SoundStateWord(Synthesized)));
    SetField(Text3, Synthesized == 1 || Synthesized == 2 ? Q(path) : QString());
    SetStatus(status::StatusFor(Synthesized));
    ImageSaved = 1;
  } else if (ImageLoaded == 0 && OperationFailed == 0) {
    // The file could not be read whole: no image any more; the picture stays.
    Text1->clear();
    Text2->clear();
    Text3->clear();
    IgnoringErrors([] { DeleteTempWav(); });
    SetStatus("");
    ImageSaved = 1;
  }
  OperationFailed = 0;
  plat::Current().SetWaitCursor(false);
}

// ---- Menu commands ------------------------------------------------------------

// The first two steps of both open commands: the unsaved-carrier question,
// then the open-file dialog. No path means cancelled: the command ends with
// nothing changed, not even the cursor.
std::optional<std::string> KorimoMain::ChooseFileToOpen(const char* filter) {
  AskToSaveUnsaved();
  std::optional<std::string> path;
  IgnoringErrors([&] { path = plat::GetOpenFilePath(this, filter); });
  plat::Current().DoEvents();
  return path;
}

void KorimoMain::menuImageRead_Click() {
  if (const std::optional<std::string> path = ChooseFileToOpen(kBmpFilter)) OpenImageFile(*path);
}

void KorimoMain::menuSoundRead_Click() {
  const std::optional<std::string> path = ChooseFileToOpen(kWavFilter);
  if (!path) return;

  plat::Current().SetWaitCursor(true);
  OperationFailed = 0;
  IgnoringErrors([&] { LoadSoundData(*path); });

  if (SoundLoaded == 1 && OperationFailed == 0) {
    SetField(Text2, Q(*path));
    SoundPath = *path;  // playback plays the chosen file itself
    Synthesized = 0;    // not embedded yet
    Text3->clear();
    SetStatus(status::SoundSizeStatus());
    ImageSaved = 1;
  } else if (SoundLoaded == 0 && OperationFailed == 0) {
    Text2->clear();
    if (ImageLoaded == 1) {
      SetField(Text3, Q(msg::kNoSound));
      SetStatus(status::FreeSpace());
    } else {
      Text3->clear();
      IgnoringErrors([] { DeleteTempWav(); });
      SetStatus("");
    }
    ImageSaved = 1;
  }
  OperationFailed = 0;
  plat::Current().SetWaitCursor(false);
}

void KorimoMain::menuFileSave_Click() {
  // No guard: with no image loaded SaveImageData refuses with its own message.
  IgnoringErrors([this] {
    if (const std::optional<std::string> path = plat::GetSaveFilePath(this, kBmpFilter)) {
      SaveImageData(*path);
    }
  });
}

void KorimoMain::menuFileClear_Click() {
  IgnoringErrors([this] { AskToSaveUnsaved(); });
  Image2->clear();
  Text1->clear();
  Text2->clear();
  Text3->clear();
  IgnoringErrors([] { DeleteTempWav(); });
  SetStatus("");
  ResetWorkData();
}

void KorimoMain::menuEnd_Click() { QuitApplication(); }

void KorimoMain::menuToolHelp_Click() { plat::ShowHelpContents(helpFile_); }

void KorimoMain::menuAbout_Click() {
  DialogOpening = 1;
  ShowFrmAbout();
}

// ---- Buttons ------------------------------------------------------------------

// The guard of "合成" and "メモ": an image and a sound loaded, nothing
// embedded yet. Shows the refusal and returns false otherwise.
static bool BeforeSynthesis(const char* loadBothMessage) {
  if (Synthesized != 0) {
    plat::Notify(msg::kAlreadySynthesized);
    return false;
  }
  if (ImageLoaded != 1 || SoundLoaded != 1) {
    plat::Notify(loadBothMessage);
    return false;
  }
  return true;
}

void KorimoMain::Command1_Click() {
  if (!BeforeSynthesis(msg::kLoadBothToSynthesize)) return;
  DialogOpening = 1;
  ShowPassin();
  if (OperationFailed != 0) return;  // closed without a password

  IgnoringErrors([] { SynthesizeSound(); });
  if (OperationFailed != 0) return;

  SetField(Text3, Q(msg::kSynthesisDone));
  Synthesized = 1;
  SetStatus(status::SoundSizeStatus());
  // The next "音声＆メモ再生" takes the sound out of the new carrier.
  IgnoringErrors([] { DeleteTempWav(); });
}

void KorimoMain::Command2_Click() {
  if (Synthesized != 1 && Synthesized != 2) {
    plat::Notify(msg::kLoadCarrier);
    return;
  }
  SoundPath = layout::TempWavPath();

  QFile probe(Q(SoundPath));
  const bool extracted = probe.open(QIODevice::ReadOnly);
  probe.close();
  if (!extracted) {
    // Not extracted yet (or removed since): take the sound out first.
    plat::Current().SetWaitCursor(true);
    IgnoringErrors([] { ExtractSound(); });
    plat::Current().DoEvents();
    plat::Current().SetWaitCursor(false);
    SetField(Text2, Q(status::SoundStateWord(Synthesized)));
    SetStatus(status::StatusFor(Synthesized));
    if (Synthesized == 1) IgnoringErrors([] { PlaySoundData(); });
  } else {
    IgnoringErrors([] { PlaySoundData(); });
  }

  if (Synthesized == 1) {
    Long memoBytes = 0;
    IgnoringErrors([&] { memoBytes = GetMemo(MemoFileName, MemoText); });
    if (memoBytes > 0) {
      DialogOpening = 1;
      ShowMemoout();
    }
  } else {
    MemoFileName.clear();
    MemoText.clear();
  }
}

void KorimoMain::Command3_Click() {
  if (SoundLoaded != 1) {
    plat::Notify(msg::kLoadSound);
    return;
  }
  if (!SoundPath.empty()) IgnoringErrors([] { PlaySoundData(); });
}

void KorimoMain::Command4_Click() {
  if (!BeforeSynthesis(msg::kLoadBothForMemo)) return;
  DialogOpening = 1;
  ShowMemoin();
}

}  // namespace korimo::ui
