// Sealed pictures: the keyed order, the round trip, what refuses to open,
// what ordinary reading sees, and the format fixed by a golden file.
#include <cstdlib>
#include <set>

#include "engine/Sealed.h"
#include "engine/SealedOrder.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/NamedCases.h"

namespace korimo::test {
namespace {

namespace ks = korimo::sealed;

// libsodium's smallest Argon2id limits: far cheaper than the format's, for
// tests that seal many times. Pictures sealed with them open only with them.
constexpr ks::KeyCost kCheap{1, 8192};

struct PermutationRow {
  const char* label;
  std::uint64_t size;
};
class PermutationTest : public ::testing::TestWithParam<PermutationRow> {};

TEST_P(PermutationTest, EveryIndexLandsOnItsOwnPosition) {
  std::array<std::uint8_t, 32> key{};
  for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(i * 31 + 7);
  const ks::Permutation p(key, GetParam().size);
  std::vector<bool> hit(GetParam().size, false);
  for (std::uint64_t i = 0; i < GetParam().size; ++i) {
    const std::uint64_t at = p(i);
    ASSERT_LT(at, GetParam().size);
    ASSERT_FALSE(hit[at]) << "two indices on " << at;
    hit[at] = true;
  }
}

const PermutationRow kSizes[] = {{"One", 1},      {"Two", 2},          {"Three", 3},         {"Seven", 7},
                                 {"PowerOfTwo", 64}, {"OddBits", 1000}, {"JustOverBlock", 4097},
                                 {"Large", 300007}};
INSTANTIATE_TEST_SUITE_P(Sizes, PermutationTest, ::testing::ValuesIn(kSizes), ByLabel{});

class SealedTest : public EngineTest {
 protected:
  void LoadPicture(const Bytes& bmp) {
    kc::LoadImageData(std::span<const std::uint8_t>(bmp));
    ASSERT_EQ(kc::ImageLoaded, 1);
  }
  ks::SealOutcome Seal(std::string phrase, const ks::KeyCost& cost = kCheap, const ks::Choices* fixed = nullptr) {
    const ks::Passphrase p(phrase);
    return ks::Seal(p, {wav, name, memo}, cost, fixed);
  }
  std::optional<ks::Opened> OpenWith(std::string phrase, const ks::KeyCost& cost = kCheap) {
    const ks::Passphrase p(phrase);
    return ks::Open(p, cost);
  }
  void ExpectOpened(const std::optional<ks::Opened>& opened) {
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->sound, wav);
    EXPECT_EQ(opened->name, name);
    EXPECT_EQ(opened->memo, memo);
  }

  Bytes wav = MakeWav(300);
  std::string name = "小鳥のうた🐦.wav";
  std::string memo = "é😀 ｶﾀｶﾅ\r\n二行目";
};

TEST_F(SealedTest, RoundTripKeepsEveryChannelWithinOneAndSaturatedBytesAlone) {
  const Bytes original = MakeBmp(64, 48);
  LoadPicture(original);
  ASSERT_EQ(Seal("pass phrase ✓"), ks::SealOutcome::Sealed);
  const Bytes sealed(kc::ImageBytes.begin(), kc::ImageBytes.end());
  std::size_t changed = 0;
  for (std::size_t i = 0; i < original.size(); ++i) {
    ASSERT_LE(std::abs(int(sealed[i]) - int(original[i])), 1) << i;
    if (i < 54 || original[i] == 0 || original[i] == 255) {
      ASSERT_EQ(sealed[i], original[i]) << i;
    }
    if (sealed[i] != original[i]) {
      ASSERT_TRUE(sealed[i] != 0 && sealed[i] != 255) << i;
    }
    changed += sealed[i] != original[i];
  }
  // About half the used bytes change; the used ones are about 8 per stream byte.
  const std::size_t streamBits = 8 * (wav.size() + name.size() + memo.size() + ks::kOverheadBytes) + 128;
  EXPECT_GT(changed, streamBits / 3);
  EXPECT_LT(changed, 2 * streamBits / 3);
  ExpectOpened(OpenWith("pass phrase ✓"));
}

enum class Damage { None, CutShort, FlipUsedBit, OtherPicture };
struct RefusalRow {
  const char* label;
  const char* phrase;
  Damage damage;
};
class SealedRefusalTest : public SealedTest, public ::testing::WithParamInterface<RefusalRow> {};

TEST_P(SealedRefusalTest, OpensToNothing) {
  const Bytes original = MakeBmp(64, 48);
  LoadPicture(original);
  ASSERT_EQ(Seal("right"), ks::SealOutcome::Sealed);
  switch (GetParam().damage) {
    case Damage::None: break;
    case Damage::CutShort: kc::ImageBytes.resize(kc::ImageBytes.size() - 64 * 3); break;
    case Damage::FlipUsedBit:
      for (std::size_t i = 54 + 128; i < original.size(); ++i)
        if (kc::ImageBytes[i] != original[i]) {
          kc::ImageBytes[i] ^= 1;
          break;
        }
      break;
    case Damage::OtherPicture: LoadPicture(original); break;
  }
  EXPECT_FALSE(OpenWith(GetParam().phrase));
}

const RefusalRow kRefusals[] = {
    {"WrongPassphrase", "wrong", Damage::None},
    {"PassphraseCaseDiffers", "Right", Damage::None},
    {"PassphraseLonger", "right ", Damage::None},
    {"PassphrasePrefix", "righ", Damage::None},
    {"CutShort", "right", Damage::CutShort},
    {"FlippedUsedBit", "right", Damage::FlipUsedBit},
    {"UntouchedPicture", "right", Damage::OtherPicture},
};
INSTANTIATE_TEST_SUITE_P(Cases, SealedRefusalTest, ::testing::ValuesIn(kRefusals), ByLabel{});

TEST_F(SealedTest, OrdinaryReadingFindsNoSoundInAnySealing) {
  const Bytes original = MakeBmp(64, 48);
  std::set<Bytes> seen;
  for (int n = 0; n < 40; ++n) {
    SCOPED_TRACE(n);
    LoadPicture(original);
    ASSERT_EQ(Seal("secret"), ks::SealOutcome::Sealed);
    seen.insert(Bytes(kc::ImageBytes.begin(), kc::ImageBytes.end()));
    // The plain password field never unlocks anything either.
    kc::Password = "secret";
    Extract();
    ASSERT_EQ(kc::SoundLoaded, 0);
    ASSERT_EQ(kc::Synthesized, 0);
  }
  EXPECT_EQ(seen.size(), 40u) << "each sealing has its own salt";
}

TEST_F(SealedTest, TooLittleRoomLeavesThePictureAlone) {
  Bytes saturated = MakeBmp(48, 32);
  LoadPicture(saturated);
  wav = MakeWav(static_cast<int>(ks::SealedCapacity() / 2));  // fits by size alone
  for (std::size_t i = 54 + 600; i < saturated.size(); ++i) saturated[i] = i % 2 ? 0 : 255;
  for (const Bytes& picture : {MakeBmp(40, 32), saturated}) {
    LoadPicture(picture);
    EXPECT_EQ(Seal("secret"), ks::SealOutcome::DoesNotFit);
    EXPECT_TRUE(kc::ImageBytes == picture);
  }
}

// Passphrase, salt, picture and +-1 choices fixed: the sealed picture is fixed
// too, with the format's own key derivation.
TEST_F(SealedTest, GoldenPicture) {
  const std::string golden = std::string(KORIMO_GOLDEN_DIR) + "/sealed.bmp";
  wav = MakeWav(10);
  name = "鳥.wav";
  memo = "🐦";
  LoadPicture(MakeBmp(24, 16));
  ks::Choices fixed{{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, [n = 0]() mutable { return ++n % 3 == 0; }};
  ASSERT_EQ(Seal("korimo", ks::FormatKeyCost(), &fixed), ks::SealOutcome::Sealed);
  const Bytes sealed(kc::ImageBytes.begin(), kc::ImageBytes.end());
  if (std::getenv("KORIMO_WRITE_GOLDEN")) WriteFile(golden, sealed);
  EXPECT_EQ(sealed, ReadFile(golden));
  LoadPicture(ReadFile(golden));
  ExpectOpened(OpenWith("korimo", ks::FormatKeyCost()));
}

}  // namespace
}  // namespace korimo::test
