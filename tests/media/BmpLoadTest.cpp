// Reading BMP files into the working set: accepted, rejected and malformed files.
#include <sys/stat.h>

#include "tests/engine/EngineFixture.h"

namespace korimo::test {
namespace {

Bytes Patched(Bytes b, std::size_t at, std::initializer_list<std::uint8_t> le) {
  for (auto v : le) b.at(at++) = v;
  return b;
}

Bytes WithDataSize(Bytes b, std::uint32_t size) {
  return Patched(std::move(b), 34, {std::uint8_t(size), std::uint8_t(size >> 8), std::uint8_t(size >> 16), std::uint8_t(size >> 24)});
}

class BmpLoadTest : public EngineTest {
 protected:
  const Bytes good = MakeBmp(8, 8);  // data size 192, area 13
  const Bytes bmp24 = MakeBmp(40, 30);
};

TEST_F(BmpLoadTest, AcceptedFilesFillTheWorkingSet) {
  struct Case { const char* what; Bytes file; kc::Long fileSize; kc::Integer bits; kc::Long dataSize; kc::Long area; };
  const Case cases[] = {
      {"24 bits", good, 246, 24, 192, 13},
      {"32 bits", MakeBmp(8, 8, 32), 310, 32, 256, 21},
      {"24 bits, compressed", Patched(good, 30, {1}), 246, 24, 192, 13},
      {"48 bits", Patched(good, 28, {48}), 246, 48, 192, 13},
      {"file-size field 54", Patched(good, 2, {0x36, 0, 0, 0}), 54, 24, 192, 13},
      {"file-size field large", Patched(good, 2, {0xFF, 0xFF, 0xFF, 0x7F}), 0x7FFFFFFF, 24, 192, 13},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    kc::SoundLoaded = 1;
    kc::SoundSize = 77;
    kc::Password = "pw";
    kc::CarrierKind = 0;
    LoadImage(c.file);
    EXPECT_EQ(kc::ImageLoaded, 1);
    EXPECT_EQ(kc::OperationFailed, 0);
    EXPECT_EQ(kc::ImageBytes, c.file);
    EXPECT_EQ(kc::ImageFileSize, c.fileSize);
    EXPECT_EQ(kc::ImageBitCount, c.bits);
    EXPECT_EQ(kc::ImageDataSize, c.dataSize);
    EXPECT_EQ(kc::SoundAreaSize, c.area);
    EXPECT_EQ(kc::SoundBytes, Bytes(c.area + 1, 0));
    EXPECT_EQ(kc::CarrierKind, 1);
    // The extraction that follows decides about the sound, not the load.
    EXPECT_EQ(kc::SoundLoaded, 1);
    EXPECT_EQ(kc::SoundSize, 77);
    EXPECT_EQ(kc::Password, "pw");
  }
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(BmpLoadTest, SoundAreaRoundsHalvesToEven) {
  const std::pair<std::uint32_t, kc::Long> cases[] = {{100, 2}, {108, 2}, {84, 0}, {88, 0}, {192, 13}};
  for (const auto& [dataSize, area] : cases) {
    LoadImage(WithDataSize(good, dataSize));
    EXPECT_EQ(kc::SoundAreaSize, area) << dataSize;
    EXPECT_EQ(kc::SoundBytes.size(), static_cast<std::size_t>(area) + 1) << dataSize;
  }
  EXPECT_TRUE(platform.messages.empty());
}

// A negative area (data size below 84, often 0) cannot size the sound buffer:
// the image still counts as loaded, the buffer keeps what it held.
TEST_F(BmpLoadTest, NegativeSoundAreaKeepsImageLoaded) {
  for (std::uint32_t dataSize : {0u, 83u}) {
    SCOPED_TRACE(dataSize);
    platform.Clear();
    kc::SoundBytes = {1, 2, 3};
    LoadImage(WithDataSize(good, dataSize));
    EXPECT_EQ(platform.Texts(), Strings{msg::kCannotLoad});
    EXPECT_EQ(kc::ImageLoaded, 1);
    EXPECT_EQ(kc::ImageDataSize, static_cast<kc::Long>(dataSize));
    EXPECT_EQ(kc::SoundAreaSize, dataSize == 0 ? -11 : -1);
    EXPECT_EQ(kc::SoundBytes, (Bytes{1, 2, 3}));
    Extract();
    EXPECT_EQ(kc::SoundLoaded, 0);
    EXPECT_EQ(kc::Synthesized, 0);
  }
}

TEST_F(BmpLoadTest, RejectedFilesKeepThePreviousImage) {
  struct Case { const char* what; Bytes file; Strings messages; };
  const Case cases[] = {
      {"empty file", {}, {msg::kCannotRead}},
      {"BM only", {'B', 'M'}, {msg::kCannotRead}},
      {"BM, 28 bytes", Bytes(good.begin(), good.begin() + 28), {msg::kCannotRead}},
      {"8 bits", Patched(good, 28, {8}), {msg::kCannotRead}},
      {"16 bits", Patched(good, 28, {16}), {msg::kCannotRead}},
      {"signature BA", Patched(good, 1, {'A'}), {msg::kCannotRead}},
      {"signature bm", Patched(good, 0, {'b', 'm'}), {msg::kCannotRead}},
      {"bit count 32792", Patched(good, 28, {0x18, 0x80}), {msg::kCannotLoad, msg::kCannotRead}},
      {"bit count 65535", Patched(good, 28, {0xFF, 0xFF}), {msg::kCannotLoad, msg::kCannotRead}},
      {"data size 2^31 and 8 bits", Patched(WithDataSize(good, 0x80000000u), 28, {8}),
       {msg::kCannotLoad, msg::kCannotRead}},
  };
  LoadImage(bmp24);
  const kc::Long area = kc::SoundAreaSize;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    platform.Clear();
    kc::CarrierKind = 0;
    LoadImage(c.file);
    EXPECT_EQ(platform.Texts(), c.messages);
    EXPECT_EQ(kc::OperationFailed, 1);
    EXPECT_EQ(kc::ImageLoaded, 1);
    EXPECT_EQ(kc::ImageBytes, bmp24);
    EXPECT_EQ(kc::ImageDataSize, 3600);
    EXPECT_EQ(kc::ImageBitCount, 24);
    EXPECT_EQ(kc::SoundAreaSize, area);
    EXPECT_EQ(kc::CarrierKind, 1);
  }
  // The first image is still usable.
  platform.Clear();
  LoadSound(MakeWav(50));
  Synthesize();
  EXPECT_EQ(kc::OperationFailed, 0);
  EXPECT_TRUE(platform.messages.empty());
}

// A header field of 2^31 or more: one message, nothing stored, not refused.
TEST_F(BmpLoadTest, OverflowingSizeFieldsStoreNothing) {
  struct Case { const char* what; Bytes file; };
  const Case cases[] = {
      {"file size 2^31", Patched(good, 5, {0x80})},
      {"file size 2^32 - 1", Patched(good, 2, {0xFF, 0xFF, 0xFF, 0xFF})},
      {"data size 2^31", WithDataSize(good, 0x80000000u)},
      {"data size 2^32 - 1", WithDataSize(good, 0xFFFFFFFFu)},
  };
  LoadImage(bmp24);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    platform.Clear();
    LoadImage(c.file);
    EXPECT_EQ(platform.Texts(), Strings{msg::kCannotLoad});
    EXPECT_EQ(kc::OperationFailed, 0);
    EXPECT_EQ(kc::ImageBytes, bmp24);
    EXPECT_EQ(kc::ImageDataSize, 3600);
    EXPECT_EQ(kc::ImageFileSize, static_cast<kc::Long>(bmp24.size()));
  }
}

// Files too short for the carrier fields still load and never crash the
// extraction or the sound load that may follow.
TEST_F(BmpLoadTest, TinyFilesAreSafeToUse) {
  Bytes bm29(29, 0);
  bm29[0] = 'B', bm29[1] = 'M', bm29[28] = 24;
  const Bytes stub = WithDataSize(Bytes(good.begin(), good.begin() + 60), 12288);
  for (const Bytes& file : {bm29, stub}) {
    SCOPED_TRACE(file.size());
    platform.Clear();
    kc::ResetWorkData();
    LoadImage(file);
    ASSERT_EQ(kc::ImageLoaded, 1);
    EXPECT_EQ(kc::ImageBytes, file);
    Extract();
    EXPECT_EQ(kc::SoundLoaded, 0);
    LoadSound(MakeWav(10));
    EXPECT_EQ(kc::SoundLoaded, 0);
    EXPECT_FALSE(platform.messages.empty());
  }
}

TEST_F(BmpLoadTest, UnopenablePathsAreRefusedWithoutCreatingFiles) {
  ASSERT_EQ(::mkdir((tmp / "dir").c_str(), 0700), 0);
  for (const std::string& path : {tmp / "missing.bmp", tmp / "dir", tmp / "nodir/x.bmp"}) {
    SCOPED_TRACE(path);
    platform.Clear();
    LoadImage(path);
    EXPECT_EQ(kc::OperationFailed, 1);
    EXPECT_EQ(kc::ImageLoaded, 0);
    ASSERT_FALSE(platform.messages.empty());
    EXPECT_EQ(platform.messages.back().text, msg::kCannotRead);
  }
  EXPECT_FALSE(FileExists(tmp / "missing.bmp"));
  EXPECT_FALSE(FileExists(tmp / "nodir"));
}

}  // namespace
}  // namespace korimo::test
