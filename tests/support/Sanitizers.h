// Whether this test program (and so the programs of the same build it runs)
// is built with AddressSanitizer. Its shadow memory makes address-space caps
// impossible and resident-memory bounds meaningless, so such checks hold
// only for the normal build.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define KORIMO_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORIMO_ASAN 1
#endif
#endif

namespace korimo::test {

#if defined(KORIMO_ASAN)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif

}  // namespace korimo::test
