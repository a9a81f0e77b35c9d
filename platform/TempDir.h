// Where the window keeps its temporary sound file.
#pragma once

#include <string>

namespace korimo::platform {

// The folder for "temp.wav", ending in "/":
//   1. the folder named by the environment variable TEMP, when it is set;
//   2. $XDG_RUNTIME_DIR/korimo/, the user's private runtime folder;
//   3. ${XDG_CACHE_HOME:-$HOME/.cache}/korimo/;
//   4. the program's own folder `appDir`, when neither of those can be made.
// The korimo folders are created with mode 0700; one that is a symbolic link,
// not a folder, or owned by another user is refused and the next is tried.
std::string ChooseTempDir(const std::string& appDir);

// Makes `dir` (its parent must exist) as a private folder of this user, or
// accepts it when it is one already. False for a link, a file or another
// user's folder.
bool PrivateFolder(const std::string& dir);

// The private folder "korimo/" inside `dir` (made with mode 0700 when
// missing), or `dir` itself when it is such a folder already; empty when none
// can be had. The window moves its temporary sound there when a file it did
// not write stands under the fixed name in a shared folder.
std::string PrivateFolderIn(const std::string& dir);

}  // namespace korimo::platform
