// Soak: 10,000 embed/extract cycles in one process through real files, with
// random pictures, sounds, passwords and memos. Every accepted round trip must
// be exact, and neither memory nor open file descriptors may grow.

#include <dirent.h>

#include <fstream>
#include <random>

#include "tests/support/EngineFixture.h"

#include "tests/support/Sanitizers.h"

namespace korimo::test {
namespace {

// A "VmRSS:" style line of /proc/self/status, in kB.
long StatusKb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(key) + ":";
  while (std::getline(in, line))
    if (line.rfind(prefix, 0) == 0) return std::stol(line.substr(prefix.size()));
  return -1;
}

int OpenDescriptors() {
  int n = 0;
  if (DIR* d = ::opendir("/proc/self/fd")) {
    while (::readdir(d)) ++n;
    ::closedir(d);
  }
  return n;
}

class Soak : public EngineTest {
 protected:
  std::mt19937 rng{20240601};

  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

  std::string RandomPassword() {
    static const char* const kana[] = {"パ", "ス", "ワ", "ド", "ｱ", "ｲ", "髙", "①"};
    std::string pw;
    int bytes = 0;
    const int target = Uniform(0, 8);
    while (bytes < target) {
      if (Uniform(0, 3) == 0) {
        const char* k = kana[Uniform(0, 7)];
        const int b = static_cast<int>(cp932::FromUtf8(k).size());
        if (bytes + b > 8) break;
        pw += k;
        bytes += b;
      } else {
        pw += static_cast<char>(Uniform(33, 126));
        ++bytes;
      }
    }
    return pw;
  }

  std::string RandomMemo(int maxBytes) {
    static const char* const pieces[] = {"メモ", "\r\n", "テスト", "ｶﾅ", "abc", " ", "～", "髙橋", "x"};
    std::string memo;
    int bytes = 0;
    const int target = Uniform(0, std::max(0, maxBytes));
    while (true) {
      const char* p = pieces[Uniform(0, 8)];
      const int b = static_cast<int>(cp932::FromUtf8(p).size());
      if (bytes + b > target) break;
      memo += p;
      bytes += b;
    }
    return memo;
  }

  // One sender/receiver cycle; returns false when the sound was refused.
  bool Cycle(const std::vector<std::string>& images) {
    kc::ResetWorkData();
    const std::string& image = images[Uniform(0, static_cast<int>(images.size()) - 1)];
    LoadImage(image);
    if (kc::ImageLoaded != 1) ADD_FAILURE() << "image did not load";
    Extract();

    // Sounds from 12 bytes of samples up to a little more than the area holds.
    const int room = std::max(1, static_cast<int>(kc::SoundAreaSize) - 44);
    const int samples = Uniform(6, room + 16);
    const int bits = Uniform(0, 1) ? 16 : 8;
    Bytes wav = MakeWav(samples, bits);
    for (std::size_t i = 44; i < wav.size(); ++i) wav[i] = static_cast<std::uint8_t>(rng());
    const std::string name = Uniform(0, 1) ? "s.wav" : "音声.wav";
    LoadSound(wav, name);
    if (kc::SoundLoaded != 1) {
      if (platform.Texts() != Strings{msg::kSoundDoesNotFit}) ADD_FAILURE() << "unexpected refusal";
      platform.Clear();
      return false;
    }
    const kc::Long capacity = layout::MemoCapacityFor();
    const std::string memo = RandomMemo(std::min<kc::Long>(capacity, 300));
    if (!memo.empty()) {
      PutMemo(memo);
      if (kc::OperationFailed != 0) ADD_FAILURE() << "memo within capacity refused";
    }
    const std::string password = RandomPassword();
    Synthesize(password);
    if (kc::OperationFailed != 0) ADD_FAILURE() << "synthesis refused";
    kc::SaveImageData(tmp / "soak.bmp");

    kc::ResetWorkData();
    platform.passwords = {password};
    LoadImage(tmp / "soak.bmp");
    Extract();
    bool exact = kc::Synthesized == 1 && kc::SoundSize == static_cast<kc::Long>(wav.size()) &&
                 std::equal(wav.begin(), wav.end(), kc::SoundBytes.begin());
    const Bytes written = ReadFile(TempWav());
    exact = exact && written == kc::SoundBytes;
    std::string memoName, memoText;
    const kc::Long L = kc::GetMemo(memoName, memoText);
    exact = exact && (memo.empty() ? L == 0 : (memoText == memo && memoName == "text.txt"));
    if (!exact) ADD_FAILURE() << "round trip not exact: pw '" << password << "' memo '" << memo << "'";
    if (!platform.messages.empty()) ADD_FAILURE() << "unexpected message " << platform.messages[0].text;
    platform.Clear();
    platform.passwords.clear();
    return true;
  }
};

TEST_F(Soak, TenThousandRoundTripsStayExactAndFlat) {
  std::vector<std::string> images;
  const int shapes[][3] = {{24, 24, 24}, {33, 21, 24}, {100, 75, 24}, {40, 30, 32}, {17, 50, 24}, {64, 64, 24}};
  for (const auto& s : shapes) images.push_back(Put("img" + std::to_string(images.size()) + ".bmp", MakeBmp(s[0], s[1], s[2])));

  constexpr int kWarmUp = 500, kCycles = 10000;
  int accepted = 0;
  for (int i = 0; i < kWarmUp; ++i) accepted += Cycle(images);
  const long rssBefore = StatusKb("VmRSS"), hwmBefore = StatusKb("VmHWM");
  const int fdsBefore = OpenDescriptors();
  for (int i = kWarmUp; i < kCycles && !HasFailure(); ++i) accepted += Cycle(images);
  const long rssAfter = StatusKb("VmRSS"), hwmAfter = StatusKb("VmHWM");

  std::printf("soak: %d cycles, %d round trips; VmRSS %ld -> %ld kB, VmHWM %ld -> %ld kB\n", kCycles, accepted,
              rssBefore, rssAfter, hwmBefore, hwmAfter);
  RecordProperty("rss_before_kb", std::to_string(rssBefore));
  RecordProperty("rss_after_kb", std::to_string(rssAfter));
  EXPECT_GT(accepted, kCycles / 2);
  EXPECT_EQ(OpenDescriptors(), fdsBefore);
#ifndef KORIMO_ASAN
  // The working set of one cycle is a few tens of kilobytes; growth beyond a
  // small allowance for the allocator means something accumulates.
  EXPECT_LE(rssAfter - rssBefore, 1024) << "memory grows";
  EXPECT_LE(hwmAfter - hwmBefore, 1024) << "peak memory grows";
#endif
}

}  // namespace
}  // namespace korimo::test
