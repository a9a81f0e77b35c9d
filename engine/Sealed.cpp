#include "engine/Sealed.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "engine/CarrierLayout.h"
#include "engine/ImageSource.h"
#include "engine/RuntimeError.h"
#include "engine/SealedOrder.h"

namespace korimo::sealed {

using Korimocom::ByteArray;
using Korimocom::ImageBytes;

namespace {

constexpr std::size_t kKeyBytes = crypto_aead_xchacha20poly1305_ietf_KEYBYTES;
constexpr std::size_t kOrderKeyBytes = crypto_stream_chacha20_ietf_KEYBYTES;
constexpr std::size_t kKeyMaterialBytes = kKeyBytes + kOrderKeyBytes;

static_assert(kSaltBytes == crypto_pwhash_SALTBYTES);
static_assert(kTagBytes == crypto_aead_xchacha20poly1305_ietf_ABYTES);
static_assert(kOrderKeyBytes == 32);

// The encryption key (bytes 0..31) and the permutation key (32..63). A fresh
// salt per sealing makes both unique to one picture, so the two fixed nonces
// below never meet the same key twice.
constexpr Byte kHeaderNonce[crypto_aead_xchacha20poly1305_ietf_NPUBBYTES] = {};
constexpr Byte kBodyNonce[crypto_aead_xchacha20poly1305_ietf_NPUBBYTES] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};

// The picture bytes a sealed picture uses: from 54 to the end of the image
// data, or of the file when that comes first.
struct Region {
  std::size_t begin = layout::kCarrierStart;
  std::size_t end = layout::kCarrierStart;
};

Region PictureRegion() {
  Region r;
  const std::size_t data = static_cast<std::size_t>(std::max<Korimocom::Long>(Korimocom::ImageDataSize, 0));
  r.end = std::max(r.begin, std::min(r.begin + data, ImageBytes.size()));
  return r;
}

Byte At(std::size_t i) {
  Korimocom::RequireImageBytes(i, i + 1);
  return ImageBytes[i];
}

// Saturated bytes are left alone: neither read nor written.
bool Usable(Byte v) { return v != 0 && v != 255; }

// Sets bit 0 of ImageBytes[i] by one step up or down; a used byte never
// becomes 0 or 255.
void PutBit(std::size_t i, unsigned bit, const std::function<bool()>& up) {
  Byte& v = ImageBytes[i];
  if ((v & 1u) == bit) return;
  if (v == 1)
    v = 2;
  else if (v == 254)
    v = 253;
  else
    v = static_cast<Byte>(up() ? v + 1 : v - 1);
}

// Calls visit(index, n) for the first 128 usable bytes of the region in file
// order; returns the index after the last, or nothing when there are fewer.
template <class Visit>
std::optional<std::size_t> WalkSalt(const Region& r, Visit&& visit) {
  std::size_t n = 0;
  for (std::size_t i = r.begin; i < r.end; ++i) {
    if (!Usable(At(i))) continue;
    visit(i, n);
    if (++n == kSaltCarrierBytes) return i + 1;
  }
  return std::nullopt;
}

// The usable bytes of the scattered area in the keyed order, one per stream bit.
// Positions are computed a batch ahead and their bytes prefetched: the walk
// jumps across the whole picture, and waiting for memory would cost more than
// computing the order.
class Scatter {
 public:
  Scatter(std::span<const Byte, 32> key, std::size_t base, std::size_t end) : order_(key, end - base), base_(base) {}
  // Calls visit(index, k) for the next `bits` usable bytes; false when the
  // area runs out first.
  template <class Visit>
  bool Walk(std::size_t bits, Visit&& visit) {
    for (std::size_t k = 0; k < bits; ++k) {
      std::size_t i;
      do {
        if (at_ == count_ && !Refill()) return false;
        i = ahead_[at_++];
      } while (!Usable(At(i)));
      visit(i, k);
    }
    return true;
  }

 private:
  bool Refill() {
    at_ = count_ = 0;
    while (count_ < ahead_.size() && next_ < order_.size()) {
      const std::size_t i = base_ + static_cast<std::size_t>(order_(next_++));
      if (i < ImageBytes.size()) __builtin_prefetch(ImageBytes.data() + i);
      ahead_[count_++] = i;
    }
    return count_ > 0;
  }

  Permutation order_;
  std::size_t base_;
  std::uint64_t next_ = 0;
  std::array<std::size_t, 32> ahead_{};
  std::size_t count_ = 0;
  std::size_t at_ = 0;
};

unsigned StreamBit(const Byte* stream, std::size_t k) { return (stream[k / 8] >> (7 - k % 8)) & 1u; }
void SetStreamBit(Byte* stream, std::size_t k, unsigned bit) {
  stream[k / 8] = static_cast<Byte>(stream[k / 8] | (bit << (7 - k % 8)));
}

void PutBe(Byte* at, std::uint64_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i, v >>= 8) at[i] = static_cast<Byte>(v);
}
std::uint64_t GetBe(const Byte* at, int bytes) {
  std::uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v = (v << 8) | at[i];
  return v;
}

// One random bit per changed byte, drawn a buffer at a time.
class RandomDirection {
 public:
  bool operator()() {
    if (used_ == 8 * sizeof buffer_) {
      randombytes_buf(buffer_, sizeof buffer_);
      used_ = 0;
    }
    const bool up = (buffer_[used_ / 8] >> (used_ % 8)) & 1;
    ++used_;
    return up;
  }

 private:
  Byte buffer_[64] = {};
  std::size_t used_ = 8 * sizeof buffer_;
};

}  // namespace

std::size_t SealedCapacity() {
  const Region r = PictureRegion();
  const std::size_t carrierBytes = r.end - r.begin;
  if (carrierBytes < kSaltCarrierBytes) return 0;
  const std::size_t streamBytes = (carrierBytes - kSaltCarrierBytes) / 8;
  return streamBytes > kOverheadBytes ? streamBytes - kOverheadBytes : 0;
}

SealOutcome Seal(const Passphrase& passphrase, const Content& content, const KeyCost& cost, const Choices* fixed) {
  RequireSodium();
  const std::size_t bodyBytes = content.sound.size() + content.name.size() + content.memo.size();
  if (content.name.size() > kMaxNameBytes || content.sound.size() > std::numeric_limits<std::uint32_t>::max() ||
      content.memo.size() > std::numeric_limits<std::uint32_t>::max() || bodyBytes > SealedCapacity())
    return SealOutcome::DoesNotFit;

  const Region region = PictureRegion();
  std::array<Byte, kSaltBytes> salt;
  if (fixed) {
    salt = fixed->salt;
  } else {
    // Read the ordinary way, the salt's first bytes are the size field and
    // what follows it. A salt that happens to read as a kind-0 size and
    // "RIFF", or as kind 1 and the signature "KR", is drawn again, so that
    // the ordinary reading never takes a sealed picture for a carrier.
    const auto looksLikeCarrier = [&salt] {
      const int kind = salt[0] >> 4;
      return (kind == 0 && std::memcmp(salt.data() + 4, layout::kRiffTag, 4) == 0) ||
             (kind == 1 && std::memcmp(salt.data() + 4, layout::kSignature, 2) == 0);
    };
    do randombytes_buf(salt.data(), salt.size());
    while (looksLikeCarrier());
  }
  const std::optional<std::size_t> saltEnd = WalkSalt(region, [](std::size_t, std::size_t) {});
  if (!saltEnd) return SealOutcome::DoesNotFit;
  // Bytes of value 0 or 255 can leave too few usable ones: find out before
  // anything is changed (and before the key is derived). The keyed order
  // visits every byte of the area once, so there is room exactly when the
  // area holds a usable byte for every bit.
  const std::size_t bits = 8 * (kSealedHeaderBytes + bodyBytes + kTagBytes);
  std::size_t usable = 0;
  for (std::size_t i = *saltEnd; i < region.end && usable < bits; ++i) usable += Usable(At(i)) ? 1 : 0;
  if (usable < bits) return SealOutcome::DoesNotFit;

  Secret keys(kKeyMaterialBytes);
  DeriveKeys(passphrase, salt.data(), cost, keys);

  // The sealed stream: header and its tag, body and its tag.
  ByteArray stream(kSealedHeaderBytes + bodyBytes + kTagBytes);
  Byte header[kHeaderBytes];
  header[0] = kVersion;
  PutBe(header + 1, content.sound.size(), 4);
  PutBe(header + 5, content.name.size(), 2);
  PutBe(header + 7, content.memo.size(), 4);
  crypto_aead_xchacha20poly1305_ietf_encrypt(stream.data(), nullptr, header, sizeof header, nullptr, 0, nullptr,
                                             kHeaderNonce, keys.data());
  Byte* body = stream.data() + kSealedHeaderBytes;
  std::copy(content.sound.begin(), content.sound.end(), body);
  std::copy(content.name.begin(), content.name.end(), body + content.sound.size());
  std::copy(content.memo.begin(), content.memo.end(), body + content.sound.size() + content.name.size());
  crypto_aead_xchacha20poly1305_ietf_encrypt_detached(body, body + bodyBytes, nullptr, body, bodyBytes,
                                                      stream.data(), kSealedHeaderBytes, nullptr, kBodyNonce,
                                                      keys.data());

  const std::span<const Byte, 32> orderKey(keys.data() + kKeyBytes, kOrderKeyBytes);
  RandomDirection random;
  const std::function<bool()> up = fixed ? fixed->up : std::function<bool()>(std::ref(random));
  WalkSalt(region, [&](std::size_t i, std::size_t n) { PutBit(i, (salt[n / 8] >> (7 - n % 8)) & 1u, up); });
  Scatter(orderKey, *saltEnd, region.end).Walk(bits, [&](std::size_t i, std::size_t k) {
    PutBit(i, StreamBit(stream.data(), k), up);
  });
  return SealOutcome::Sealed;
}

std::optional<Opened> Open(const Passphrase& passphrase, const KeyCost& cost) {
  RequireSodium();
  const Region region = PictureRegion();
  std::array<Byte, kSaltBytes> salt{};
  const std::optional<std::size_t> saltEnd = WalkSalt(region, [&](std::size_t i, std::size_t n) {
    salt[n / 8] = static_cast<Byte>(salt[n / 8] | ((At(i) & 1u) << (7 - n % 8)));
  });
  if (!saltEnd) return std::nullopt;

  Secret keys(kKeyMaterialBytes);
  DeriveKeys(passphrase, salt.data(), cost, keys);
  Scatter scatter(std::span<const Byte, 32>(keys.data() + kKeyBytes, kOrderKeyBytes), *saltEnd, region.end);

  Byte sealedHeader[kSealedHeaderBytes] = {};
  const auto readInto = [](Byte* out) {
    return [out](std::size_t i, std::size_t k) { SetStreamBit(out, k, At(i) & 1u); };
  };
  if (!scatter.Walk(8 * sizeof sealedHeader, readInto(sealedHeader))) return std::nullopt;
  Byte header[kHeaderBytes];
  if (crypto_aead_xchacha20poly1305_ietf_decrypt(header, nullptr, nullptr, sealedHeader, sizeof sealedHeader,
                                                 nullptr, 0, kHeaderNonce, keys.data()) != 0 ||
      header[0] != kVersion)
    return std::nullopt;
  const std::uint64_t soundBytes = GetBe(header + 1, 4);
  const std::uint64_t nameBytes = GetBe(header + 5, 2);
  const std::uint64_t memoBytes = GetBe(header + 7, 4);
  const std::uint64_t bodyBytes = soundBytes + nameBytes + memoBytes;
  if (bodyBytes > SealedCapacity()) return std::nullopt;

  ByteArray sealedBody(static_cast<std::size_t>(bodyBytes) + kTagBytes);
  if (!scatter.Walk(8 * sealedBody.size(), readInto(sealedBody.data()))) return std::nullopt;
  Opened opened;
  opened.sound = ByteArray::Zeroed(static_cast<std::size_t>(bodyBytes));
  if (crypto_aead_xchacha20poly1305_ietf_decrypt_detached(opened.sound.data(), nullptr, sealedBody.data(),
                                                          bodyBytes, sealedBody.data() + bodyBytes, sealedHeader,
                                                          sizeof sealedHeader, kBodyNonce, keys.data()) != 0)
    return std::nullopt;
  const auto* text = reinterpret_cast<const char*>(opened.sound.data()) + soundBytes;
  opened.name.assign(text, nameBytes);
  opened.memo.assign(text + nameBytes, memoBytes);
  opened.sound.resize(soundBytes);
  return opened;
}

}  // namespace korimo::sealed
