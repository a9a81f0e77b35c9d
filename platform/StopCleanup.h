// Cleaning up after a process stopped by a signal: the names of files and
// folders that must not outlive it (a pending file not yet renamed over its
// target), and the short stretches in which a stop signal must wait.
#pragma once

#include <signal.h>

#include <string>

namespace korimo::fileio {

// Names removed when a signal whose default action ends the process ends it
// (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ, SIGUSR1, a fault, ...:
// files first, then folders, which must be empty by then), until they are
// kept again. Where the program handles or ignores a signal itself, that
// signal is left to it. At most 16 names are noted at once.
void RemoveWhenStopped(const std::string& path, bool folder = false);
void KeepWhenStopped(const std::string& path);

// Holds back the signals sent to stop the process, in this thread, while it
// lives (a file being named and noted, a file written in place), so that a
// signal arriving meanwhile is delivered once the stretch is over. Faults
// (SIGSEGV and the like) are never held.
class StopSignalsHeld {
 public:
  StopSignalsHeld();
  ~StopSignalsHeld();
  StopSignalsHeld(const StopSignalsHeld&) = delete;
  StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

}  // namespace korimo::fileio
