// The window's user-interaction port (Qt message boxes, the password dialog,
// the wait cursor, SDL sound), and the desktop services only the window
// needs: file dialogs, the help viewer and the single-instance lock.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/Platform.h"

class QString;
class QWidget;

namespace korimo::ui {

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using platform::PlayResult;

// A text the engine, the status line or a file filter gives in Japanese, in
// the window's language: looked up whole in the "korimo::msg" context, and
// a status line piece by piece in "korimo::status". Untranslated texts stay
// as they are.
QString TranslatedMessage(const std::string& text);

class QtPort final : public platform::Platform {
 public:
  // A modal QMessageBox titled "Korimo": exclamation or no icon, OK or Yes/No.
  Answer MessageBox(const std::string& text, Buttons buttons, Icon icon) override;
  // The password dialog (Passin), modally: the accepted entry, or nothing
  // when it was closed.
  std::optional<std::string> AskPassword() override;
  // One application-wide override cursor, set or cleared; never stacked.
  void SetWaitCursor(bool wait) override;
  // One pass of the event loop.
  void DoEvents() override;
  PlayResult PlaySound(const std::string& path) override;
  PlayResult PlaySoundBytes(const std::uint8_t* wav, std::size_t size) override;

 private:
  bool waitCursorShown_ = false;
};

// ---- File dialogs -------------------------------------------------------

enum class FileDialogKind { Open, Save };

// Turns a filter of the form "Name|pattern|Name|pattern" into Qt's
// "Name (pattern);;Name (pattern)" syntax. "*.*" becomes "*" (any file,
// with or without a dot) and each extension pattern also matches its
// upper-case spelling.
QString TranslateFilter(const std::string& filter);

// When set, replaces the dialogs: receives the kind and the Qt filter and
// returns the chosen path, or nothing for a cancelled dialog.
using FileDialogHook =
    std::function<std::optional<std::string>(FileDialogKind kind, const QString& qtFilter)>;
void SetFileDialogHook(FileDialogHook hook);

// Qt's own (non-native) dialogs. Open accepts existing files only; save
// confirms overwriting and never appends an extension. Nothing = cancelled.
std::optional<std::string> GetOpenFilePath(QWidget* parent, const std::string& filter);
// `proposed`, when given, is the name the save dialog starts with.
std::optional<std::string> GetSaveFilePath(QWidget* parent, const std::string& filter,
                                           const std::string& proposed = {});

// The save dialog of a sound taken out of a picture: starts with `proposed`
// and, when `offerMemo`, has a check box for saving the memo beside the
// sound. With the dialog hook set the memo is saved whenever offered.
struct SoundSaveChoice {
  std::string path;
  bool withMemo = false;
};
std::optional<SoundSaveChoice> GetSoundSavePath(QWidget* parent, const std::string& filter, const std::string& proposed,
                                                bool offerMemo);

// ---- Help viewer --------------------------------------------------------

// Shows the help file at its contents in a non-modal window of our own.
// A missing or unreadable file gives the viewer's own notice in that window.
void ShowHelpContents(const std::string& helpFile);
// Closes the help window if it is open (exit path).
void QuitHelp();
// The help window while it exists (tests).
QWidget* HelpWindow();

// ---- Single instance ----------------------------------------------------

// True when another process of this user holds the instance lock. The first
// call takes the lock for this process; later calls in the same process
// report false again, so the window can be created more than once.
bool AnotherInstanceRunning();

}  // namespace korimo::ui
