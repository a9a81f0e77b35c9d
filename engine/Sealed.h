// Sealed pictures: a second, opt-in kind of carrier. The sound, its file name
// and the memo are encrypted and authenticated with a key derived from a
// passphrase, spread over the picture in an order only that key gives, and
// written by +-1 changes of the bytes instead of replacing their bit 0.
//
// Layout, over the picture bytes R = [54, min(54 + ImageDataSize, file length)):
//   - a byte of value 0 or 255 is never used, and no used byte becomes one;
//   - salt: 16 random bytes, bit 0 of the first 128 usable bytes of R in file
//     order, most significant bit of salt byte 0 first;
//   - the rest of R after the last salt byte is the scattered area A; bit k of
//     the sealed stream (header, then body) lies in bit 0 of the k-th usable
//     byte among A[P(0)], A[P(1)], ..., P the keyed permutation of A's indices;
//     stream byte k / 8, most significant bit first;
//   - key material: Argon2id13 (MODERATE limits) of the passphrase and salt,
//     64 bytes: 0..31 the encryption key, 32..63 the permutation key;
//   - header: XChaCha20-Poly1305 of 11 bytes, nonce 24 zero bytes, no
//     associated data: version (1), sound length (4), name length (2), memo
//     length (4), big-endian; 27 bytes with its tag;
//   - body: XChaCha20-Poly1305 of sound, name, memo (UTF-8), nonce 23 zero
//     bytes and 1, associated data the 27 bytes of the sealed header.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Korimocom.h"
#include "engine/SealedSecrets.h"

namespace korimo::sealed {

using Korimocom::Byte;

inline constexpr Byte kVersion = 1;
inline constexpr std::size_t kSaltBytes = 16;
inline constexpr std::size_t kSaltCarrierBytes = 8 * kSaltBytes;
inline constexpr std::size_t kHeaderBytes = 11;
inline constexpr std::size_t kTagBytes = 16;
inline constexpr std::size_t kSealedHeaderBytes = kHeaderBytes + kTagBytes;
// Bytes of the sealed stream that are not sound, name or memo.
inline constexpr std::size_t kOverheadBytes = kSealedHeaderBytes + kTagBytes;
inline constexpr std::size_t kMaxNameBytes = 65535;

// Bytes of sound, name and memo a sealed picture of the loaded image holds:
// (data size - 128) / 8 less the header and tags, 0 when nothing fits. Bytes of
// value 0 or 255 lower what really fits.
std::size_t SealedCapacity();

struct Content {
  std::span<const Byte> sound;  // the WAV file
  std::string_view name;        // UTF-8
  std::string_view memo;        // UTF-8
};

// Fixed choices of a sealing instead of random ones: the salt, and for each
// changed byte whether it goes up (true) or down.
struct Choices {
  std::array<Byte, kSaltBytes> salt;
  std::function<bool()> up;
};

enum class SealOutcome { Sealed, DoesNotFit };
// Seals `content` into ImageBytes (the classic layout; read on demand where a
// source is open). DoesNotFit leaves ImageBytes as it was.
SealOutcome Seal(const Passphrase& passphrase, const Content& content, const KeyCost& cost = FormatKeyCost(),
                 const Choices* fixed = nullptr);

struct Opened {
  Korimocom::ByteArray sound;
  std::string name;
  std::string memo;
};
// Opens the sealed sound of ImageBytes. Nothing when the passphrase is wrong,
// the picture holds no sealed sound or was changed after sealing: by design
// these are one answer.
std::optional<Opened> Open(const Passphrase& passphrase, const KeyCost& cost = FormatKeyCost());

}  // namespace korimo::sealed
