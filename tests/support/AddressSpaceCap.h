// Caps the address space of the test process for a stretch, to show that a
// road needs memory in proportion to its sound, not to a file limit.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>

namespace korimo::test {

// Lets this process's address space grow by `headroom` bytes beyond what it
// maps now, until destroyed. (Not under AddressSanitizer, whose shadow memory
// takes terabytes of address space.)
class AddressSpaceCap {
 public:
  explicit AddressSpaceCap(std::size_t headroom) {
    getrlimit(RLIMIT_AS, &saved_);
    std::size_t pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(f, "%zu", &pages) != 1) pages = 0;
      std::fclose(f);
    }
    struct rlimit cap = saved_;
    cap.rlim_cur = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + headroom;
    setrlimit(RLIMIT_AS, &cap);
  }
  ~AddressSpaceCap() { setrlimit(RLIMIT_AS, &saved_); }
  AddressSpaceCap(const AddressSpaceCap&) = delete;
  AddressSpaceCap& operator=(const AddressSpaceCap&) = delete;

 private:
  struct rlimit saved_ {};
};

}  // namespace korimo::test
