// korimo-cli run as a child in a scratch working folder with its own
// temporary folder, for the contract and the scale tests.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/cli/CliRunner.h"
#include "tests/support/TestFiles.h"

namespace korimo::test {

// The lines `info` prints for one carrier.
inline std::string InfoText(long dataSize, int kind, const std::string& sound, long soundSize,
                              const std::string& name, long memoBytes, long capacity) {
  return "image-data-size: " + std::to_string(dataSize) + "\ncarrier-kind: " + std::to_string(kind) +
         "\nsound: " + sound + "\nsound-size: " + std::to_string(soundSize) +
         "\nsound-name: " + name + "\nmemo-bytes: " + std::to_string(memoBytes) +
         "\ncapacity: " + std::to_string(capacity) + "\n";
}

class CliFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = root_ / "work/";
    tmp_ = root_ / "tmp/";
    std::filesystem::create_directory(work_);
    std::filesystem::create_directory(tmp_);
  }

  // Every command, whatever its outcome, leaves no "temp.wav" and nothing at
  // all in the temporary directory, and no "temp.wav" in its working directory.
  void TearDown() override {
    EXPECT_TRUE(std::filesystem::is_empty(tmp_)) << "leftovers in the temporary directory";
    for (const auto& e : std::filesystem::recursive_directory_iterator(work_))
      EXPECT_NE(e.path().filename(), "temp.wav") << e.path();
  }

  CliResult Cli(const std::vector<std::string>& args, const CliLimits& limits = {}) {
    return RunCli(args, work_, tmp_, limits);
  }
  std::string P(const std::string& name) const { return work_ + name; }

  void Write(const std::string& name, const Bytes& bytes) { WriteFile(P(name), bytes); }

  TempDir root_;
  std::string work_;
  std::string tmp_;
};

}  // namespace korimo::test
