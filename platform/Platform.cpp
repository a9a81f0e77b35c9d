#include "platform/Platform.h"

#include <unistd.h>

#include <cerrno>

namespace korimo::platform {

bool Platform::DeleteFile(const std::string& path) {
  // unlink, not remove: a directory of that name is never taken away, and a
  // symbolic link is removed itself, not its target.
  if (::unlink(path.c_str()) == 0) return true;
  return errno == ENOENT;
}

namespace {

class SilentPlatform final : public Platform {
 public:
  Answer MessageBox(const std::string&, Buttons buttons, Icon) override {
    return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
  }
  std::optional<std::string> AskPassword() override { return std::nullopt; }
  void SetWaitCursor(bool) override {}
  PlayResult PlaySound(const std::string&) override { return PlayResult::ServiceUnavailable; }
};

SilentPlatform g_silent;
Platform* g_current = &g_silent;

}  // namespace

Platform& Current() { return *g_current; }

void SetCurrent(Platform* platform) { g_current = platform ? platform : &g_silent; }

}  // namespace korimo::platform
