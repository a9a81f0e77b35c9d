// The byte arrays of the working set. A picture of several hundred megabytes
// and the sound area derived from it are large, and most commands touch only
// a small part of them: their memory comes from fresh zero pages, which cost
// nothing until they are written.
#pragma once

#include <sys/mman.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

namespace Korimocom {

// Hands out zero-filled memory: large blocks as fresh anonymous pages from the
// system, small ones from calloc. Growing an array therefore needs no writes
// of its own (default-inserted bytes are left as the zeros they already are).
template <class T>
struct ZeroPageAllocator {
  using value_type = T;
  // Blocks from this size on are mapped directly (and unmapped when freed).
  static constexpr std::size_t kMapFrom = 256 * 1024;

  ZeroPageAllocator() = default;
  template <class U>
  ZeroPageAllocator(const ZeroPageAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
    const std::size_t bytes = n * sizeof(T);
    if (bytes >= kMapFrom) {
      void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      if (p == MAP_FAILED) throw std::bad_alloc();
      return static_cast<T*>(p);
    }
    void* p = std::calloc(n == 0 ? 1 : n, sizeof(T));
    if (p == nullptr) throw std::bad_alloc();
    return static_cast<T*>(p);
  }

  void deallocate(T* p, std::size_t n) noexcept {
    if (n * sizeof(T) >= kMapFrom)
      ::munmap(p, n * sizeof(T));
    else
      std::free(p);
  }

  // Default insertion leaves the fresh zeros alone; every other construction
  // is the usual one.
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }

  template <class U>
  bool operator==(const ZeroPageAllocator<U>&) const noexcept {
    return true;
  }
};

// A byte array with the interface of std::vector. New elements are always 0:
// growing in place, where old contents could still lie in the spare capacity,
// writes the zeros; only a freshly allocated array (see Zeroed) skips them.
class ByteArray : public std::vector<std::uint8_t, ZeroPageAllocator<std::uint8_t>> {
  using Base = std::vector<std::uint8_t, ZeroPageAllocator<std::uint8_t>>;

 public:
  using Base::Base;
  using Base::operator=;
  ByteArray() = default;
  ByteArray(const std::vector<std::uint8_t>& bytes) : Base(bytes.begin(), bytes.end()) {}
  ByteArray& operator=(const std::vector<std::uint8_t>& bytes) {
    assign(bytes.begin(), bytes.end());
    return *this;
  }

  operator std::vector<std::uint8_t>() const { return std::vector<std::uint8_t>(begin(), end()); }

  // `size` zero bytes in fresh memory that is not touched.
  static ByteArray Zeroed(std::size_t size) {
    ByteArray fresh;
    fresh.Base::resize(size);  // fresh pages: default insertion writes nothing
    return fresh;
  }

  // Room for `size` bytes that the caller overwrites at once. An array that
  // already has about that much memory keeps it, so reading one picture after
  // another does not fault in fresh pages each time; its bytes are then stale
  // until overwritten. Otherwise the old memory is freed first and fresh zero
  // pages follow.
  void ResizeForOverwrite(std::size_t size) {
    if (size <= capacity() && size >= capacity() / 2) {
      Base::resize(size);  // default insertion: the old bytes stay in place
      return;
    }
    ByteArray().swap(*this);
    *this = Zeroed(size);
  }

  void resize(size_type n) { Base::resize(n, 0); }
  void resize(size_type n, const value_type& v) { Base::resize(n, v); }

  friend bool operator==(const ByteArray& a, const std::vector<std::uint8_t>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
  }
};

}  // namespace Korimocom
