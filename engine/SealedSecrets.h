// The secrets of a sealed picture: the passphrase and the keys derived from
// it, held in memory that is locked where the system allows and wiped when
// released, and the key derivation itself (Argon2id).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/Korimocom.h"

namespace korimo::sealed {

using Korimocom::Byte;

inline constexpr std::size_t kMaxPassphraseBytes = 1024;

// Starts libsodium once; throws std::runtime_error when it cannot start.
void RequireSodium();

// What deriving the keys costs. The format fixes FormatKeyCost (libsodium's
// MODERATE limits); a cheaper one reads and writes pictures no other copy of
// the program can open, and exists for tests that derive many keys.
struct KeyCost {
  unsigned long long passes;
  std::size_t memory;
};
KeyCost FormatKeyCost();

// A passphrase in memory that is locked where the system allows and wiped
// when released. Taking one from a string wipes the string.
class Passphrase {
 public:
  explicit Passphrase(std::string& utf8);
  ~Passphrase();
  Passphrase(const Passphrase&) = delete;
  Passphrase& operator=(const Passphrase&) = delete;
  const char* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
};

// 1 to 1,024 bytes of valid UTF-8.
bool PassphraseAcceptable(std::string_view utf8);
// Overwrites the string's bytes with zeros and empties it.
void Wipe(std::string& secret);

// Memory for keys: locked where the system allows, guarded, wiped when freed.
class Secret {
 public:
  explicit Secret(std::size_t size);
  ~Secret();
  Secret(const Secret&) = delete;
  Secret& operator=(const Secret&) = delete;
  Byte* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  Byte* data_;
  std::size_t size_;
};

// Fills `keys` with Argon2id13 of the passphrase and the 16-byte salt at the
// given cost. Throws std::bad_alloc when the derivation's memory cannot be had.
void DeriveKeys(const Passphrase& passphrase, const Byte* salt, const KeyCost& cost, Secret& keys);

}  // namespace korimo::sealed
