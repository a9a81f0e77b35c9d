#include "platform/StopCleanup.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <iterator>
#include <mutex>

namespace korimo::fileio {

namespace {

// A name noted here (a pending file not yet renamed over its target, a
// private temporary folder) is removed when a signal whose default action
// ends the process arrives: files first, then folders. The handler only reads
// this fixed table and calls unlink(), rmdir(), sigaction() and raise(), all
// safe inside a signal handler. A signal the program handles or ignores
// itself is left to it: the process goes on.

// Signals sent to the process, held back for the short stretches below.
constexpr int kAsyncStopSignals[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGPIPE, SIGALRM,   SIGTERM,  SIGUSR1, SIGUSR2,
                                     SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGPOLL, SIGPWR, SIGSTKFLT};
// Signals of a fault in the process itself: never held, but cleaned up after.
constexpr int kFaultSignals[] = {SIGILL, SIGTRAP, SIGABRT, SIGBUS, SIGFPE, SIGSEGV, SIGSYS};
constexpr int kNamedSlots = 16;

struct NamedSlot {
  std::atomic<bool> used{false};
  bool folder = false;
  char path[PATH_MAX] = {};
};
NamedSlot g_named[kNamedSlots];
std::mutex g_namedLock;  // guards taking and giving back slots, never the handler

void RemoveNamedAndStop(int sig) {
  for (auto& slot : g_named)
    if (slot.used.load(std::memory_order_acquire) && !slot.folder) ::unlink(slot.path);
  // Folders last noted first: a folder made inside another goes before it.
  for (auto slot = std::rbegin(g_named); slot != std::rend(g_named); ++slot)
    if (slot->used.load(std::memory_order_acquire) && slot->folder) ::rmdir(slot->path);
  // The default action then ends the process as the signal would have: the
  // signal is blocked while this handler runs and arrives again once it returns.
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  sigemptyset(&byDefault.sa_mask);
  ::sigaction(sig, &byDefault, nullptr);
  ::raise(sig);
}

void InstallStopHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    const auto install = [](int sig) {
      struct sigaction current {};
      if (::sigaction(sig, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) ||
          current.sa_handler != SIG_DFL)
        return;
      struct sigaction handler {};
      handler.sa_handler = RemoveNamedAndStop;
      sigemptyset(&handler.sa_mask);
      ::sigaction(sig, &handler, nullptr);
    };
    for (int sig : kAsyncStopSignals) install(sig);
    for (int sig : kFaultSignals) install(sig);
  });
}

}  // namespace

StopSignalsHeld::StopSignalsHeld() {
  sigset_t held;
  sigemptyset(&held);
  for (int sig : kAsyncStopSignals) sigaddset(&held, sig);
  ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

StopSignalsHeld::~StopSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

void RemoveWhenStopped(const std::string& path, bool folder) {
  if (path.size() >= PATH_MAX) return;
  InstallStopHandlers();
  std::lock_guard<std::mutex> lock(g_namedLock);
  for (auto& slot : g_named) {
    if (slot.used.load(std::memory_order_relaxed)) continue;
    slot.folder = folder;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.used.store(true, std::memory_order_release);
    return;
  }
}

void KeepWhenStopped(const std::string& path) {
  std::lock_guard<std::mutex> lock(g_namedLock);
  for (auto& slot : g_named)
    if (slot.used.load(std::memory_order_relaxed) && path == slot.path) {
      slot.used.store(false, std::memory_order_release);
      return;
    }
}

}  // namespace korimo::fileio
