#include "ui/main/StopSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>

#include "ui/main/KorimoMain.h"

namespace korimo::ui {

namespace {

constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP};

int g_wakeWrite = -1;  // the pipe the handler writes to

void WakeEventLoop(int sig) {
  const int saved = errno;
  const char byte = static_cast<char>(sig);
  const ssize_t ignored = ::write(g_wakeWrite, &byte, 1);  // a full pipe already holds a wake-up
  (void)ignored;
  errno = saved;
}

}  // namespace

bool EndOnStopSignals(KorimoMain& window) {
  if (g_wakeWrite >= 0) return true;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  auto* notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, QCoreApplication::instance());
  QPointer<KorimoMain> target(&window);
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, target, readEnd = fds[0]] {
    char bytes[16];
    while (::read(readEnd, bytes, sizeof bytes) > 0) {
    }
    notifier->setEnabled(false);
    if (target) target->EndWithoutQuestions();
    // Leaves every event loop, a modal dialog's included.
    QCoreApplication::exit(0);
  });
  g_wakeWrite = fds[1];
  for (int sig : kEndSignals) {
    struct sigaction action {};
    action.sa_handler = WakeEventLoop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(sig, &action, nullptr);
  }
  return true;
}

}  // namespace korimo::ui
