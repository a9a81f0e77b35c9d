// The main window's commands: the menu items and buttons. Each runs its
// command step (commands/) and then shows the outcome through UpdateView.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <algorithm>
#include <optional>

#include "commands/Commands.h"
#include "engine/CarrierLayout.h"
#include "engine/Korimocom.h"
#include "engine/Sealed.h"
#include "engine/Messages.h"
#include "engine/TextFields.h"
#include "engine/StatusText.h"
#include "platform/Platform.h"
#include "ui/desktop/QtPort.h"
#include "ui/dialogs/Dialogs.h"
#include "ui/main/FileFilters.h"
#include "ui/main/KorimoMain.h"
#include "ui/main/PictureImport.h"
#include "ui/main/PicturePreview.h"
#include "ui/desktop/FileDialogs.h"
#include "ui/desktop/HelpViewer.h"
#include "ui/desktop/MessageTranslation.h"

namespace korimo::ui {

using namespace Korimocom;
using commands::IgnoringErrors;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// What a sound made to fit became, in the window's language.
QString FittedText(const media::SoundForm& form) {
  const auto tr = [](const char* text) { return QCoreApplication::translate("korimo::msg", text); };
  return tr(msg::kSoundFitted)
      .arg(tr(form.channels == 1 ? msg::kMono : msg::kStereo), Q(media::KiloHertz(form.rate)),
           QString::number(form.bits), QString::number(form.seconds, 'f', 1));
}

}  // namespace


// ---- What the window shows ----------------------------------------------------

void KorimoMain::SetStatus(const std::string& text) { statusPanel_->setText(TranslatedMessage(text)); }

// A new text shows from its start, as a text box does after its text is set.
void KorimoMain::SetField(QLineEdit* field, const QString& text) {
  field->setText(text);
  field->setCursorPosition(0);
}

// The one place where a command's outcome reaches the three fields and the
// status line. Each row names the fields the command changes; the others
// keep what they show.
void KorimoMain::UpdateView(Shown shown, const std::string& path) {
  switch (shown) {
    case Shown::ImageOpened:
      SetField(Text1, Q(path));
      SetField(Text2, TranslatedMessage(status::SoundStateWord(Synthesized)));
      SetField(Text3, Synthesized == 1 || Synthesized == 2 ? Q(path) : QString());
      SetStatus(status::StatusFor(Synthesized));
      break;
    case Shown::SoundOpened:
      SetField(Text2, Q(path));
      Text3->clear();
      SetStatus(status::SoundSizeStatus());
      break;
    case Shown::SoundLost:
      Text2->clear();
      if (ImageLoaded == 1) {
        SetField(Text3, TranslatedMessage(msg::kNoSound));
        SetStatus(status::FreeSpace());
      } else {
        Text3->clear();
        SetStatus("");
      }
      break;
    case Shown::Synthesized:
      SetField(Text3, TranslatedMessage(msg::kSynthesisDone));
      SetStatus(status::SoundSizeStatus());
      break;
    case Shown::CarrierSoundExtracted:
      SetField(Text2, TranslatedMessage(status::SoundStateWord(Synthesized)));
      SetStatus(status::StatusFor(Synthesized));
      break;
    case Shown::Nothing:  // the file could not be read whole, or everything was cleared
      Text1->clear();
      Text2->clear();
      Text3->clear();
      SetStatus("");
      break;
  }
}

// The unsaved-carrier question. False when the user asked to save and the
// carrier is still unsaved afterwards.
bool KorimoMain::AskToSaveUnsaved() {
  if (ImageSaved != 0) return true;
  const platform::Answer answer =
      platform::Current().MessageBox(msg::kUnsavedCarrier, platform::Buttons::YesNo, platform::Icon::Exclamation);
  platform::Current().DoEvents();
  if (answer != platform::Answer::Yes) return true;
  menuFileSave_Click();
  return ImageSaved != 0;
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

// The open-image command once the path is known (menu, drop, command line).
// A picture in another format is opened as the BMP it converts to; the field
// still shows the file chosen.
bool KorimoMain::OpenImageFile(const std::string& path) {
  const auto converted = ImportPicture(Q(path));
  const auto show = [&] { ShowPicture(path); };
  // A refused picture leaves the one on show, and its sealed sound, as they were.
  switch (converted ? commands::OpenImage(*converted, show) : commands::OpenImage(path, show)) {
    case commands::ImageOutcome::Opened:
      sealedSound_.reset();
      UpdateView(Shown::ImageOpened, path);
      return true;
    case commands::ImageOutcome::Lost:
      sealedSound_.reset();
      UpdateView(Shown::Nothing);  // the picture stays
      break;
    case commands::ImageOutcome::Refused: break;
  }
  return false;
}

// The open-sound command once the path is known (menu, command line).
// A sound made to fit says what it became.
void KorimoMain::OpenSoundFile(const std::string& path) {
  sealedSound_.reset();
  std::optional<media::SoundForm> fitted;
  switch (commands::OpenSound(path, media::SoundFitting::Converted, &fitted)) {
    case commands::SoundOutcome::Opened:
      UpdateView(Shown::SoundOpened, path);
      if (fitted) platform::Notify(FittedText(*fitted).toStdString());
      break;
    case commands::SoundOutcome::Lost: UpdateView(Shown::SoundLost); break;
    case commands::SoundOutcome::Refused: break;
  }
}

void KorimoMain::OpenStartupFiles(const QStringList& files) {
  const auto isWav = [](const QString& file) {
    for (const char* ending : {".wav", ".flac", ".ogg", ".oga", ".opus", ".mp3"})
      if (file.endsWith(QLatin1String(ending), Qt::CaseInsensitive)) return true;
    return false;
  };
  const auto image = std::find_if_not(files.begin(), files.end(), isWav);
  const auto sound = std::find_if(files.begin(), files.end(), isWav);
  // A dialog hands over an absolute path; so does this.
  const auto absolute = [](const QString& file) { return QFileInfo(file).absoluteFilePath().toStdString(); };
  if (image != files.end()) {
    AskToSaveUnsaved();
    OpenImageFile(absolute(*image));
  }
  if (sound != files.end()) {
    AskToSaveUnsaved();
    OpenSoundFile(absolute(*sound));
  }
}

// ---- Menu commands ------------------------------------------------------------

// The first two steps of both open commands: the unsaved-carrier question,
// then the open-file dialog. No path means cancelled: the command ends with
// nothing changed, not even the cursor.
std::optional<std::string> KorimoMain::ChooseFileToOpen(const char* filter) {
  AskToSaveUnsaved();
  std::optional<std::string> path;
  IgnoringErrors([&] { path = GetOpenFilePath(this, filter); });
  platform::Current().DoEvents();
  return path;
}

void KorimoMain::menuImageRead_Click() {
  if (const std::optional<std::string> path = ChooseFileToOpen(kBmpFilter)) OpenImageFile(*path);
}

void KorimoMain::menuSoundRead_Click() {
  if (const std::optional<std::string> path = ChooseFileToOpen(kWavFilter)) OpenSoundFile(*path);
}

void KorimoMain::menuFileSave_Click() {
  // No guard: with no image loaded the save refuses with its own message.
  IgnoringErrors([this] {
    // A picture converted from another format is proposed under its name with ".bmp".
    const std::string proposed = ImageLoaded == 1 ? ProposedCarrierName(Text1->text()).toStdString() : std::string();
    if (const std::optional<std::string> path = GetSaveFilePath(this, kBmpFilter, proposed)) commands::Save(*path);
  });
}

void KorimoMain::menuFileClear_Click() {
  IgnoringErrors([this] { AskToSaveUnsaved(); });
  Image2->clear();
  sealedSound_.reset();
  commands::Clear();
  UpdateView(Shown::Nothing);
}

void KorimoMain::menuEnd_Click() { QuitApplication(); }

void KorimoMain::menuToolHelp_Click() { ShowHelpContents(helpFile_); }

void KorimoMain::menuAbout_Click() {
  DialogOpening = 1;
  ShowFrmAbout();
}

// ---- Buttons ------------------------------------------------------------------

void KorimoMain::Command1_Click() {
  if (commands::Synthesize(msg::kLoadBothToSynthesize) == commands::SynthesisOutcome::Done) {
    sealedSound_.reset();
    UpdateView(Shown::Synthesized);
  }
}

void KorimoMain::Command2_Click() {
  if (sealedSound_) {
    // A sealed sound plays from memory and shows its memo; no file is involved.
    commands::PlaySoundBytes(sealedSound_->sound);
    if (!sealedSound_->memo.empty()) {
      MemoFileName = layout::kMemoFileName;
      MemoText = sealedSound_->memo;
      DialogOpening = 1;
      ShowMemoout();
    }
    return;
  }
  if (commands::PlayCarrierSound([this] { UpdateView(Shown::CarrierSoundExtracted); }) ==
      commands::CarrierSoundOutcome::NoCarrier)
    return;
  if (commands::LoadCarrierMemo()) {
    DialogOpening = 1;
    ShowMemoout();
  }
}

void KorimoMain::Command3_Click() {
  if (SoundLoaded != 1) {
    platform::Notify(msg::kLoadSound);
    return;
  }
  if (sealedSound_ && SoundPath.empty()) {
    commands::PlaySoundBytes(sealedSound_->sound);
    return;
  }
  commands::PlayLoadedSound();
}

void KorimoMain::Command4_Click() {
  if (!commands::ReadyToSynthesize(msg::kLoadBothForMemo)) return;
  DialogOpening = 1;
  ShowMemoin();
}

}  // namespace korimo::ui
