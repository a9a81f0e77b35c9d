#include "engine/Korimocom.h"

#include <sys/mman.h>
#include <unistd.h>

namespace Korimocom {

void ResetWorkData() {
  ImageFileSize = 0;
  ImageBitCount = 0;
  ImageDataSize = 0;
  SoundAreaSize = 0;
  ImageLoaded = 0;
  SoundSize = 0;
  SoundLoaded = 0;
  Synthesized = 0;
  CarrierKind = 0;
  Password.clear();
  SoundPath.clear();
  OperationFailed = 0;
  MemoCapacity = 0;
  MemoFileName.clear();
  MemoText.clear();
  DialogOpening = 0;
  AlreadyRunning = 0;
  ImageSaved = 1;
  SoundBytesRead = 0;
}

void Redim(std::vector<Byte>& array, Long n) {
  // A fresh vector, not a resize: the old contents must not survive. The
  // storage is advised before the zero fill first touches it.
  std::vector<Byte> fresh;
  fresh.reserve(static_cast<std::size_t>(n) + 1);
  AdviseHugePages(fresh.data(), fresh.capacity());
  fresh.resize(static_cast<std::size_t>(n) + 1, 0);
  array.swap(fresh);
}

void AdviseHugePages(void* data, std::size_t size) {
#if defined(MADV_HUGEPAGE)
  constexpr std::size_t kHugePage = 2 * 1024 * 1024;
  if (data == nullptr || size < kHugePage) return;
  const long page = ::sysconf(_SC_PAGESIZE);
  if (page <= 0) return;
  const auto first = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t start = (first + page - 1) & ~static_cast<std::uintptr_t>(page - 1);
  const std::uintptr_t end = (first + size) & ~static_cast<std::uintptr_t>(page - 1);
  if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace Korimocom
