// The two run-time errors the procedures can raise to their callers. Callers
// that "ignore errors" over a stretch of steps catch these and go on.
#pragma once

#include <stdexcept>

namespace korimo {

class RuntimeError : public std::runtime_error {
 public:
  enum Code { kOverflow = 6, kSubscript = 9, kFile = 52 };
  RuntimeError(Code code, const char* what) : std::runtime_error(what), code_(code) {}
  Code code() const { return code_; }

 private:
  Code code_;
};

[[noreturn]] inline void RaiseSubscript() { throw RuntimeError(RuntimeError::kSubscript, "subscript out of range"); }
[[noreturn]] inline void RaiseOverflow() { throw RuntimeError(RuntimeError::kOverflow, "overflow"); }

}  // namespace korimo
