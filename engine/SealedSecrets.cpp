#include "engine/SealedSecrets.h"

#include <sodium.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>

#include "engine/RuntimeError.h"

namespace korimo::sealed {

void RequireSodium() {
  static const bool ready = sodium_init() >= 0;
  if (!ready) throw korimo::RuntimeError("libsodium could not start");
}

Secret::Secret(std::size_t size) : size_(size) {
  data_ = static_cast<Byte*>(sodium_malloc(size == 0 ? 1 : size));
  if (data_ == nullptr) throw std::bad_alloc();
}

Secret::~Secret() { sodium_free(data_); }

void DeriveKeys(const Passphrase& passphrase, const Byte* salt, const KeyCost& cost, Secret& keys) {
  if (crypto_pwhash(keys.data(), keys.size(), passphrase.data(), passphrase.size(), salt, cost.passes, cost.memory,
                    crypto_pwhash_ALG_ARGON2ID13) != 0)
    throw std::bad_alloc();  // the derivation's memory could not be had
}

KeyCost FormatKeyCost() { return {crypto_pwhash_OPSLIMIT_MODERATE, crypto_pwhash_MEMLIMIT_MODERATE}; }

Passphrase::Passphrase(std::string& utf8) : size_(utf8.size()) {
  RequireSodium();
  data_ = static_cast<char*>(sodium_malloc(size_ == 0 ? 1 : size_));
  if (data_ == nullptr) throw std::bad_alloc();
  std::memcpy(data_, utf8.data(), size_);
  sodium_memzero(utf8.data(), utf8.size());
  utf8.clear();
}

Passphrase::~Passphrase() { sodium_free(data_); }

void Wipe(std::string& secret) {
  RequireSodium();
  sodium_memzero(secret.data(), secret.size());
  secret.clear();
}

bool PassphraseAcceptable(std::string_view s) {
  if (s.empty() || s.size() > kMaxPassphraseBytes) return false;
  // Well-formed UTF-8: no stray continuation bytes, no overlong forms, no
  // surrogates, nothing beyond U+10FFFF.
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    std::uint32_t cp = n == 1 ? c : c & (0x7F >> n);
    for (std::size_t j = 1; j < n; ++j) {
      const auto d = static_cast<unsigned char>(s[i + j]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    static constexpr std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n;
  }
  return true;
}

}  // namespace korimo::sealed
