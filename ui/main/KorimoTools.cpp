// The main window's ツール menu: keeping the found sound, sealing a picture
// with a passphrase and opening a sealed one.
#include <QDir>
#include <QFileInfo>
#include <optional>
#include <string>

#include "commands/Commands.h"
#include "engine/CarrierLayout.h"
#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "engine/Sealed.h"
#include "engine/TextFields.h"
#include "platform/Platform.h"
#include "ui/desktop/FileDialogs.h"
#include "ui/dialogs/PassphraseDialog.h"
#include "ui/main/FileFilters.h"
#include "ui/main/KorimoMain.h"

namespace korimo::ui {

using namespace Korimocom;
using commands::IgnoringErrors;

void KorimoMain::menuSoundSave_Click() {
  // A sealed sound opened in the window is kept in memory only; any other
  // comes from the working set.
  const bool sealedNow = sealedSound_.has_value();
  if (!sealedNow && !commands::SoundToKeep()) return;
  const bool hasMemo = sealedNow ? !sealedSound_->memo.empty() : commands::LoadCarrierMemo();
  std::string name = sealedNow ? sealedSound_->name : layout::StoredSoundName();
  if (name.empty()) name = "sound.wav";
  std::optional<SoundSaveChoice> choice;
  IgnoringErrors([&] { choice = GetSoundSavePath(this, kWavFilter, name, hasMemo); });
  platform::Current().DoEvents();
  if (!choice) return;
  // The memo goes beside the sound, under the sound's name with ".txt".
  std::optional<std::string> memoPath;
  if (choice->withMemo) {
    const QFileInfo wav(QString::fromStdString(choice->path));
    memoPath = wav.dir().filePath(wav.completeBaseName() + QStringLiteral(".txt")).toStdString();
  }
  IgnoringErrors([&] {
    if (sealedNow)
      commands::KeepSound(sealedSound_->sound, sealedSound_->memo, choice->path, memoPath);
    else
      commands::KeepSound(choice->path, memoPath);
  });
}

void KorimoMain::menuSealedSynthesize_Click() {
  if (!commands::ReadyToSynthesize(msg::kLoadBothToSynthesize)) return;
  // The memo as typed in メモ (loading a sound clears it).
  const std::string memo = MemoText;
  std::optional<std::string> phrase = AskPassphrase(/*confirm=*/true);
  Form_Activate();
  if (!phrase) return;
  const sealed::Passphrase passphrase(*phrase);
  if (commands::SealSound(passphrase, memo, msg::kLoadBothToSynthesize) != commands::SynthesisOutcome::Done) return;
  // What was sealed plays from memory until the window moves on.
  sealed::Opened sealedNow;
  sealedNow.sound.assign(SoundBytes.begin(), SoundBytes.begin() + SoundSize);
  sealedNow.name = FileTitleOf(SoundPath);
  sealedNow.memo = memo;
  sealedSound_ = std::move(sealedNow);
  UpdateView(Shown::Synthesized);
}

void KorimoMain::menuSealedOpen_Click() {
  const std::optional<std::string> path = ChooseFileToOpen(kBmpFilter);
  if (!path) return;
  // Shown as any picture: a sealed one carries no sound to the ordinary reading.
  if (!OpenImageFile(*path)) return;
  std::optional<std::string> phrase = AskPassphrase(/*confirm=*/false);
  Form_Activate();
  if (!phrase) return;
  const sealed::Passphrase passphrase(*phrase);
  std::optional<sealed::Opened> opened;
  if (commands::OpenSealed(passphrase, opened) != commands::SealedOpenOutcome::Opened) return;
  sealedSound_ = std::move(opened);
  // The same state as a carrier whose sound was found: 音声あり, nothing to save.
  SoundLoaded = 1;
  Synthesized = 1;
  SoundSize = static_cast<Long>(sealedSound_->sound.size());
  SoundPath.clear();  // 再生 plays it from memory too
  UpdateView(Shown::ImageOpened, *path);
}

}  // namespace korimo::ui
