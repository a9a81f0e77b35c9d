// The two run-time errors the procedures can raise to their callers. Callers
// that "ignore errors" over a stretch of steps catch these and go on.
#pragma once

#include <stdexcept>

namespace korimo {

class RuntimeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] inline void RaiseSubscript() { throw RuntimeError("subscript out of range"); }
[[noreturn]] inline void RaiseOverflow() { throw RuntimeError("overflow"); }

}  // namespace korimo
