// Widget tests of the main window: a QApplication on the offscreen platform,
// the real Qt backend, and a private runtime directory so that the
// single-instance lock of a running Korimo (or of another test process)
// does not interfere.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/Platform.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/main/KorimoMain.h"

namespace {

std::string g_runtimeDir;

// Runs after the instance lock has been released at static destruction.
void RemoveRuntimeDir() {
  if (!g_runtimeDir.empty()) std::filesystem::remove_all(g_runtimeDir);
}

}  // namespace

int main(int argc, char** argv) {
  // Offscreen unless told otherwise (test discovery runs without ctest's environment).
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // The tests move TEMP around; the fixtures' own temporary files stay in /tmp.
  setenv("TMPDIR", "/tmp", 0);
  g_runtimeDir = "/tmp/korimo-ui-runtime-XXXXXX";
  if (mkdtemp(g_runtimeDir.data())) {
    setenv("XDG_RUNTIME_DIR", g_runtimeDir.c_str(), 1);
    std::atexit(RemoveRuntimeDir);
  } else {
    g_runtimeDir.clear();
  }
  if (!getenv("SDL_AUDIODRIVER")) setenv("SDL_AUDIODRIVER", "dummy", 1);

  QApplication app(argc, argv);
  // The tests close windows and open new ones; the application must live on.
  QApplication::setQuitOnLastWindowClosed(false);
  korimo::ui::SetUpApplication();
  korimo::test::RecordingPlatform platform;
  korimo::platform::SetCurrent(&platform);

  ::testing::InitGoogleTest(&argc, argv);
  const int status = RUN_ALL_TESTS();
  korimo::platform::SetCurrent(nullptr);
  return status;
}
