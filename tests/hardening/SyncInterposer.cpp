#include "tests/hardening/SyncInterposer.h"

#include <limits.h>
#include <unistd.h>

#include <utility>

extern "C" int __real_fsync(int fd);

namespace korimo::test {
namespace {

std::function<void(const std::string&)> g_watch;

}  // namespace

void SyncInterposer::Watch(std::function<void(const std::string&)> watch) { g_watch = std::move(watch); }

void SyncInterposer::Stop() { g_watch = nullptr; }

}  // namespace korimo::test

extern "C" int __wrap_fsync(int fd) {
  if (korimo::test::g_watch) {
    char path[PATH_MAX];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), path, sizeof path - 1);
    korimo::test::g_watch(n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string());
  }
  return __real_fsync(fd);
}
