#include "platform/TempDir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace korimo::platform {

namespace {

std::string WithSlash(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

// A link or another user's folder is refused: the temporary sound must not
// land where someone else decides.
bool PrivateFolder(const std::string& dir) {
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st;
  if (::lstat(dir.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return false;
  if ((st.st_mode & 077) != 0 && ::chmod(dir.c_str(), 0700) != 0) return false;
  return ::access(dir.c_str(), W_OK | X_OK) == 0;
}

std::string PrivateFolderIn(const std::string& dir) {
  std::string own = WithSlash(dir);
  // A folder named korimo that is private to this user is one of ours.
  const std::string bare = own.substr(0, own.size() - 1);
  if (own.size() >= 8 && own.compare(own.size() - 8, 8, "/korimo/") == 0 && PrivateFolder(bare)) return own;
  own += "korimo";
  return PrivateFolder(own) ? own + "/" : std::string();
}

std::string ChooseTempDir(const std::string& appDir) {
  if (const std::string temp = Env("TEMP"); !temp.empty()) return WithSlash(temp);

  if (const std::string runtime = Env("XDG_RUNTIME_DIR"); !runtime.empty()) {
    const std::string dir = WithSlash(runtime) + "korimo";
    if (PrivateFolder(dir)) return dir + "/";
  }

  std::string cache = Env("XDG_CACHE_HOME");
  if (cache.empty()) {
    if (const std::string home = Env("HOME"); !home.empty()) {
      cache = WithSlash(home) + ".cache";
      ::mkdir(cache.c_str(), 0700);  // the usual cache folder may not exist yet
    }
  }
  if (!cache.empty()) {
    const std::string dir = WithSlash(cache) + "korimo";
    if (PrivateFolder(dir)) return dir + "/";
  }
  return WithSlash(appDir);
}

}  // namespace korimo::platform
