// A second seam for fault-injection tests: the test executable is linked with
// --wrap=fsync and --wrap=sync_file_range, so every fsync() and every
// write-back request (one per 4 MB written) of the procedures under test
// passes through here. A test can watch what is synced (by the path of the descriptor) and
// act at that moment, before the real fsync.
#pragma once

#include <functional>
#include <string>

namespace korimo::test {

class SyncInterposer {
 public:
  // Calls `watch` with the path of every descriptor synced from now on (the
  // kernel's name for it: "/path (deleted)" or "/path" for an unnamed file).
  static void Watch(std::function<void(const std::string& path)> watch);
  static void Stop();
};

}  // namespace korimo::test
