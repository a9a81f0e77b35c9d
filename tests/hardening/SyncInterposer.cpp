#include "tests/hardening/SyncInterposer.h"

#include <limits.h>
#include <unistd.h>

#include <utility>

#include <fcntl.h>

extern "C" int __real_fsync(int fd);
extern "C" int __real_sync_file_range(int fd, off_t offset, off_t count, unsigned int flags);

namespace korimo::test {
namespace {

std::function<void(const std::string&)> g_watch;

}  // namespace

void SyncInterposer::Watch(std::function<void(const std::string&)> watch) { g_watch = std::move(watch); }

void SyncInterposer::Stop() { g_watch = nullptr; }

}  // namespace korimo::test

namespace {

void Report(int fd) {
  if (korimo::test::g_watch) {
    char path[PATH_MAX];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), path, sizeof path - 1);
    korimo::test::g_watch(n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string());
  }
}

}  // namespace

extern "C" int __wrap_fsync(int fd) {
  Report(fd);
  return __real_fsync(fd);
}

extern "C" int __wrap_sync_file_range(int fd, off_t offset, off_t count, unsigned int flags) {
  Report(fd);
  return __real_sync_file_range(fd, offset, count, flags);
}
