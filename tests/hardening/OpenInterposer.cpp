#include "tests/hardening/OpenInterposer.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdarg>
#include <utility>

extern "C" int __real_open(const char* path, int flags, ...);
extern "C" int __real_open64(const char* path, int flags, ...);

namespace korimo::test {
namespace {

struct Armed {
  std::string path;
  int nth = 0;
  int opens = 0;
  std::function<void()> action;
};
Armed g_armed;
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

void OpenInterposer::Disarm() { g_armed = Armed{}; }

int OpenInterposer::Opens() { return g_armed.opens; }

void OpenInterposer::RefuseUnnamedFiles(bool refuse) { g_refuseUnnamed = refuse; }

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
