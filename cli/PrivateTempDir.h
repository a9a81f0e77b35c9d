// korimo-cli's own directory for "temp.wav": extraction always writes that
// fixed name, and a shared directory would let two runs (or the window)
// overwrite each other's file. The directory is made with mkdtemp and removed
// with its contents when the command ends, also when it is interrupted by
// SIGINT, SIGTERM, SIGHUP or SIGPIPE.
#pragma once

#include <string>

namespace korimo::cli {

class PrivateTempDir {
 public:
  PrivateTempDir() = default;
  ~PrivateTempDir();
  PrivateTempDir(const PrivateTempDir&) = delete;
  PrivateTempDir& operator=(const PrivateTempDir&) = delete;

  // Creates the directory under $TMPDIR (else /tmp). False on failure.
  bool Create();
  // The directory, ending in "/"; empty before Create.
  const std::string& path() const { return path_; }
  // Removes the directory and everything in it (idempotent).
  void Remove();

 private:
  std::string path_;
};

}  // namespace korimo::cli
