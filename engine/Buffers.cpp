#include "engine/Buffers.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace Korimocom {

void Redim(ByteArray& array, Long n) {
  const std::size_t size = static_cast<std::size_t>(n) + 1;
  // The old contents must not survive. A small array of about the right size
  // is zeroed in place; anything else gets fresh memory, untouched until used.
  constexpr std::size_t kReuseBelow = 1024 * 1024;
  if (size < kReuseBelow && size <= array.capacity() && size >= array.capacity() / 2) {
    array.assign(size, 0);
    return;
  }
  ByteArray().swap(array);  // free the old array before the new one is mapped
  array = ByteArray::Zeroed(size);
}

void PrefaultLargeBuffer(void* data, std::size_t size) {
#if defined(MADV_HUGEPAGE)
  constexpr std::size_t kHugePage = 2 * 1024 * 1024;
  if (data == nullptr || size < kHugePage) return;
  const long page = ::sysconf(_SC_PAGESIZE);
  if (page <= 0) return;
  const auto first = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t start = (first + page - 1) & ~static_cast<std::uintptr_t>(page - 1);
  const std::uintptr_t end = (first + size) & ~static_cast<std::uintptr_t>(page - 1);
  if (end <= start) return;
  ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#if defined(MADV_POPULATE_WRITE)
  // Fails harmlessly on kernels without it: the pages then fault in on use.
  ::madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
#endif
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace Korimocom
