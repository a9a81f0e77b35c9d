// How long the window takes to open a carrier through its open-image command
// and show the result: the file dialog is answered with the given path, and
// the time runs from the menu command to the repainted window (picture,
// fields and status line). Prints the median of the runs, the first run
// (which also brings the picture's memory into the process; later runs reuse
// it) and the status line, for bench/cli.sh to compare with `korimo-cli info`
// on the same file.
//
//   QT_QPA_PLATFORM=offscreen korimo-window-bench CARRIER.bmp [RUNS]
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/Korimocom.h"
#include "platform/Platform.h"
#include "ui/desktop/QtPort.h"
#include "platform/sdl/SoundService.h"
#include "ui/dialogs/Dialogs.h"
#include "ui/main/KorimoMain.h"

namespace {

// A private TEMP and runtime directory: temp.wav and the single-instance
// lock of this run never meet those of a Korimo the user is running.
std::string g_dir;

// Runs after the instance lock has been released at static destruction.
void RemovePrivateDir() {
  std::error_code ec;
  if (!g_dir.empty()) std::filesystem::remove_all(g_dir, ec);
}

std::string MakePrivateDir() {
  std::string dir = (std::filesystem::temp_directory_path() / "korimo-window-bench-XXXXXX").string();
  if (!::mkdtemp(dir.data())) return {};
  g_dir = dir;
  std::atexit(RemovePrivateDir);
  return dir;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CARRIER.bmp [RUNS]\n", argv[0]);
    return 2;
  }
  const std::string path = std::filesystem::absolute(argv[1]).string();
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;

  const std::string dir = MakePrivateDir();
  if (dir.empty()) return 1;
  setenv("TEMP", dir.c_str(), 1);
  setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);

  int status = 0;
  {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korimo"));
    QApplication::setQuitOnLastWindowClosed(false);
    korimo::ui::SetUpApplication();
    korimo::ui::QtPort platform;
    korimo::platform::SetCurrent(&platform);
    korimo::ui::SetFileDialogHook(
        [&path](korimo::ui::FileDialogKind, const QString&) { return std::optional<std::string>(path); });

    std::vector<double> millis;
    QString statusLine;
    {
      korimo::ui::KorimoMain window;
      if (!window.Form_Load()) {
        std::fprintf(stderr, "the window did not start\n");
        status = 1;
      } else {
        window.show();
        QApplication::processEvents();
        for (int i = 0; i < runs; ++i) {
          QElapsedTimer timer;
          timer.start();
          window.menuImageRead_Click();
          QApplication::processEvents();
          window.repaint();
          millis.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        }
        if (auto* label = window.findChild<QLabel*>(QStringLiteral("statusPanel"))) statusLine = label->text();
        Korimocom::ImageSaved = 1;  // leave without the save question
      }
    }
    korimo::ui::UnloadDialogs();
    korimo::ui::SetFileDialogHook({});
    korimo::sound::Shutdown();
    korimo::platform::SetCurrent(nullptr);

    if (!millis.empty()) {
      const double first = millis.front();
      std::sort(millis.begin(), millis.end());
      const std::size_t n = millis.size();
      const double median = n % 2 ? millis[n / 2] : (millis[n / 2 - 1] + millis[n / 2]) / 2;
      std::printf("open-median-ms: %.3f\n", median);
      std::printf("open-min-ms: %.3f\n", millis.front());
      std::printf("open-first-ms: %.3f\n", first);
      std::printf("status: %s\n", statusLine.toStdString().c_str());
    }
  }
  return status;
}
