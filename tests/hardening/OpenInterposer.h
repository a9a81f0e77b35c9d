// A seam in the file system for fault-injection tests: the test executable is
// linked with --wrap=open, so every open() made by the procedures under test
// passes through here. A test can arm one action that runs when a given path
// is opened for the n-th time, before the real open: the moment between the
// header read and the whole-file read of the loaders.
#pragma once

#include <functional>
#include <string>

namespace korimo::test {

class OpenInterposer {
 public:
  // Runs `action` just before the `nth` (1-based) open of `path`; once.
  static void Arm(const std::string& path, int nth, std::function<void()> action);
  static void Disarm();
  // How many times the armed path has been opened since Arm.
  static int Opens();
  // While set, every open() asking for an unnamed file (O_TMPFILE) fails as
  // on a file system that cannot make one.
  static void RefuseUnnamedFiles(bool refuse);
  // While set, fstat() of a descriptor of `path` reports it `extra` bytes
  // longer than it is: the file shrank between its length and its read.
  static void OverstateLength(const std::string& path, long long extra);
  // Runs `action` just before the `nth` (1-based) fstat() of a descriptor of
  // `path`; once. A loader takes a file's length when it opens it, when it
  // reads the header and again before the whole read: the third is the
  // moment between the header and the rest.
  static void ArmLength(const std::string& path, int nth, std::function<void()> action);
  static int Lengths();
};

}  // namespace korimo::test
