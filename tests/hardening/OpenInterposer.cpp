#include "tests/hardening/OpenInterposer.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <utility>

extern "C" int __real_open(const char* path, int flags, ...);
extern "C" int __real_open64(const char* path, int flags, ...);
extern "C" int __real_fstat(int fd, struct stat* st);
extern "C" int __real_fstat64(int fd, struct stat64* st);

namespace korimo::test {
namespace {

struct Armed {
  std::string path;
  int nth = 0;
  int opens = 0;
  std::function<void()> action;
};
Armed g_armed;
Armed g_armedLength;  // the same for a file's length
bool g_refuseUnnamed = false;

void BeforeOpen(const char* path) {
  if (g_armed.path.empty() || g_armed.path != path) return;
  if (++g_armed.opens == g_armed.nth && g_armed.action) {
    auto action = std::exchange(g_armed.action, nullptr);
    action();
  }
}

}  // namespace

void OpenInterposer::Arm(const std::string& path, int nth, std::function<void()> action) {
  g_armed = Armed{path, nth, 0, std::move(action)};
}

void OpenInterposer::Disarm() {
  g_armed = Armed{};
  g_armedLength = Armed{};
}

int OpenInterposer::Opens() { return g_armed.opens; }

void OpenInterposer::RefuseUnnamedFiles(bool refuse) { g_refuseUnnamed = refuse; }

namespace {
std::string g_overstated;
long long g_extra = 0;
}  // namespace

void OpenInterposer::OverstateLength(const std::string& path, long long extra) {
  g_overstated = path;
  g_extra = extra;
}

namespace {

std::string PathOf(int fd) {
  char name[PATH_MAX];
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t n = ::readlink(link.c_str(), name, sizeof name - 1);
  return n > 0 ? std::string(name, static_cast<std::size_t>(n)) : std::string();
}
}  // namespace

void OpenInterposer::ArmLength(const std::string& path, int nth, std::function<void()> action) {
  g_armedLength = Armed{path, nth, 0, std::move(action)};
}

int OpenInterposer::Lengths() { return g_armedLength.opens; }

// Before an fstat() of descriptor `fd`: the armed action, when it is due.
void BeforeLength(int fd) {
  if (g_armedLength.path.empty() || PathOf(fd) != g_armedLength.path) return;
  if (++g_armedLength.opens == g_armedLength.nth && g_armedLength.action) {
    auto action = std::exchange(g_armedLength.action, nullptr);
    action();
  }
}

// The extra length fstat() reports for descriptor `fd`.
long long ExtraLengthOf(int fd) {
  if (g_overstated.empty()) return 0;
  return PathOf(fd) == g_overstated ? g_extra : 0;
}

namespace {

bool RefusedAsUnnamed(int flags) {
  if (!g_refuseUnnamed || (flags & O_TMPFILE) != O_TMPFILE) return false;
  errno = EOPNOTSUPP;
  return true;
}

}  // namespace

}  // namespace korimo::test

namespace {

mode_t ModeOf(int flags, va_list args) {
  return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

}  // namespace

extern "C" int __wrap_open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeOf(flags, args);
  va_end(args);
  korimo::test::BeforeOpen(path);
  if (korimo::test::RefusedAsUnnamed(flags)) return -1;
  return __real_open(path, flags, mode);
}

extern "C" int __wrap_open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeOf(flags, args);
  va_end(args);
  korimo::test::BeforeOpen(path);
  if (korimo::test::RefusedAsUnnamed(flags)) return -1;
  return __real_open64(path, flags, mode);
}

extern "C" int __wrap_fstat(int fd, struct stat* st) {
  korimo::test::BeforeLength(fd);
  const int r = __real_fstat(fd, st);
  if (r == 0) st->st_size += korimo::test::ExtraLengthOf(fd);
  return r;
}

extern "C" int __wrap_fstat64(int fd, struct stat64* st) {
  korimo::test::BeforeLength(fd);
  const int r = __real_fstat64(fd, st);
  if (r == 0) st->st_size += korimo::test::ExtraLengthOf(fd);
  return r;
}
