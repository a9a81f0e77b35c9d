// korimo-cli's own temporary directory. TempDir points there, so the fixed
// name "temp.wav" of this run can never meet the window's file or another
// run's (the CLI's extraction keeps the sound in memory and writes none).
// The directory is made with mkdtemp and removed with its contents when the
// command ends, also when SIGINT, SIGTERM, SIGHUP or SIGPIPE ends it (the
// file layer's stop cleanup).
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
  std::string folder_;  // path_ without its final "/"
};

}  // namespace korimo::cli
