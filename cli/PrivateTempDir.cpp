#include "cli/PrivateTempDir.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "engine/CarrierLayout.h"

namespace korimo::cli {

namespace {

// Paths the signal handler removes, prepared beforehand: a handler may only
// call async-signal-safe functions (unlink, rmdir), not build strings.
char g_tempFile[PATH_MAX];
char g_tempDir[PATH_MAX];
volatile sig_atomic_t g_armed = 0;

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

extern "C" void RemoveOnSignal(int sig) {
  if (g_armed) {
    unlink(g_tempFile);
    rmdir(g_tempDir);
  }
  // Die of the same signal, so the parent sees the usual status.
  signal(sig, SIG_DFL);
  raise(sig);
}

void InstallHandlers() {
  struct sigaction sa {};
  sa.sa_handler = RemoveOnSignal;
  sigemptyset(&sa.sa_mask);
  for (int sig : kCleanupSignals) {
    struct sigaction old {};
    // A signal the caller chose to ignore (nohup, a shell's background job) stays ignored.
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    sigaction(sig, &sa, nullptr);
  }
}

}  // namespace

PrivateTempDir::~PrivateTempDir() { Remove(); }

bool PrivateTempDir::Create() {
  std::error_code ec;
  std::string base = std::filesystem::temp_directory_path(ec).string();
  if (ec || base.empty()) base = "/tmp";
  if (base.back() != '/') base += '/';
  std::string pattern = base + "korimo-cli-XXXXXX";
  if (!mkdtemp(pattern.data())) return false;
  path_ = pattern + "/";

  const std::string file = path_ + layout::kTempFileName;
  if (file.size() < sizeof g_tempFile) {
    std::memcpy(g_tempFile, file.c_str(), file.size() + 1);
    std::memcpy(g_tempDir, pattern.c_str(), pattern.size() + 1);
    g_armed = 1;
    InstallHandlers();
  }
  return true;
}

void PrivateTempDir::Remove() {
  if (path_.empty()) return;
  g_armed = 0;
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
  path_.clear();
}

}  // namespace korimo::cli
