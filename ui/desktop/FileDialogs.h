// The file dialogs of the window, and the hook that replaces them in tests.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include <QString>

class QWidget;

namespace korimo::ui {

// The window a box or file dialog belongs to: the innermost modal window,
// else the active one. Without either Qt centres it on the screen.
QWidget* OwnerWindow();

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

}  // namespace korimo::ui
