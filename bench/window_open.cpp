// How long the window takes to open a carrier through its open-image command
// and show the result: the file dialog is answered with the given path, and
// the time runs from the menu command to the repainted window (picture,
// fields and status line). Prints the median of the runs, the first run
// (which also brings the picture's memory into the process; later runs reuse
// it) and the status line, for bench/cli.sh to compare with `korimo-cli info`
// on the same file.
//
// With --play, it opens the carrier once and then times "音声＆メモ再生"
// from the press to the first audio frame the device takes (the first press
// takes the sound out again; later ones play it at once). With --play-sound,
// it opens a WAV as the sound to embed and times "再生" the same way. Both
// print the peak resident memory of the process (VmHWM) beside the picture's
// size. Sound goes to SDL's disk driver in the private folder unless
// SDL_AUDIODRIVER says otherwise.
//
//   QT_QPA_PLATFORM=offscreen korimo-window-bench CARRIER.bmp [RUNS]
//   QT_QPA_PLATFORM=offscreen korimo-window-bench --play CARRIER.bmp [RUNS]
//   QT_QPA_PLATFORM=offscreen korimo-window-bench --play-sound PICTURE.bmp SOUND.wav [RUNS]
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <thread>
#include <cstdio>
#include <cstring>
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
#include "ui/desktop/FileDialogs.h"

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

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

long StatusKb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key) + 1);
  return -1;
}

// Milliseconds from `press` to the moment the device has taken the first
// bytes of the queued sound; negative when nothing was queued.
double PressToFirstFrame(const std::function<void()>& press) {
  // Each run starts without a device, as the first play of a session does.
  korimo::sound::Shutdown();
  const auto start = std::chrono::steady_clock::now();
  press();
  const std::uint32_t queued = korimo::sound::QueuedBytes();
  if (queued == 0) return -1;
  while (korimo::sound::QueuedBytes() >= queued) {
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(30)) return -1;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

int TimePlays(korimo::ui::KorimoMain& window, bool carrier, int runs, const std::string& picture) {
  std::vector<double> millis;
  for (int i = 0; i < runs; ++i) {
    const double ms = PressToFirstFrame([&] {
      if (carrier) window.Command2_Click();
      else window.Command3_Click();
    });
    if (ms < 0) {
      std::fprintf(stderr, "nothing was played\n");
      return 1;
    }
    millis.push_back(ms);
    QApplication::processEvents();
  }
  std::error_code ec;
  const auto bytes = std::filesystem::file_size(picture, ec);
  std::printf("play-first-ms: %.3f\n", millis.front());
  std::printf("play-median-ms: %.3f\n", Median(millis));
  std::printf("play-max-ms: %.3f\n", *std::max_element(millis.begin(), millis.end()));
  std::printf("peak-rss-mb: %.1f\n", static_cast<double>(StatusKb("VmHWM")) / 1024);
  std::printf("picture-mb: %.1f\n", ec ? 0.0 : static_cast<double>(bytes) / (1024 * 1024));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  const bool playCarrier = mode == "--play";
  const bool playSound = mode == "--play-sound";
  const int first = playCarrier ? 2 : playSound ? 3 : 1;
  if (argc <= first) {
    std::fprintf(stderr, "usage: %s [--play] CARRIER.bmp [RUNS]\n       %s --play-sound PICTURE.bmp SOUND.wav [RUNS]\n",
                 argv[0], argv[0]);
    return 2;
  }
  const std::string path = std::filesystem::absolute(argv[playSound ? 2 : first]).string();
  const std::string soundPath = playSound ? std::filesystem::absolute(argv[3]).string() : std::string();
  int runs = argc > first + 1 ? std::max(1, std::atoi(argv[first + 1])) : 7;

  const std::string dir = MakePrivateDir();
  if (dir.empty()) return 1;
  setenv("TEMP", dir.c_str(), 1);
  setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const std::string played = dir + "/played.raw";
  setenv("SDL_AUDIODRIVER", playCarrier || playSound ? "disk" : "dummy", 0);
  setenv("SDL_DISKAUDIOFILE", played.c_str(), 0);

  int status = 0;
  {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korimo"));
    QApplication::setQuitOnLastWindowClosed(false);
    korimo::ui::SetUpApplication();
    korimo::ui::QtPort platform;
    korimo::platform::SetCurrent(&platform);
    korimo::ui::SetFileDialogHook([&](korimo::ui::FileDialogKind, const QString& filter) {
      const bool sound = filter.contains(QStringLiteral(".wav"), Qt::CaseInsensitive);
      return std::optional<std::string>(sound ? soundPath : path);
    });

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
        if (playCarrier || playSound) {
          window.menuImageRead_Click();
          if (playSound) window.menuSoundRead_Click();
          QApplication::processEvents();
          status = TimePlays(window, playCarrier, runs, path);
          runs = 0;
        }
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
