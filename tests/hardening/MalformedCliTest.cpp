// Hostile files through korimo-cli: every damaged BMP, carrier and WAV the
// test can think of ends in exit code 0, 1 or 3 with the program's own
// message, quickly, and a refused command creates no output file and leaves
// nothing in the temporary directory.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "tests/support/EngineFixture.h"
#include "tests/support/NamedCases.h"

#include "tests/support/Sanitizers.h"

#if defined(KORIMO_ASAN)
#define KORIMO_SLOW_BUILD 1
#endif

namespace korimo::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The hang guard. A child may use one second of CPU time (the kernel stops it
// with SIGXCPU after that), so a busy machine cannot make a quick command look
// slow; a child that blocks instead is killed after a generous wall-clock
// time. Sanitizer builds run several times slower.
#ifdef KORIMO_SLOW_BUILD
constexpr rlim_t kCpuSeconds = 3;
#else
constexpr rlim_t kCpuSeconds = 1;
#endif
constexpr auto kWallGuard = 30s;

struct Outcome {
  int code = -1;  // exit status; -1 = blocked and killed, 128 + n = signal n (SIGXCPU: too slow)
  std::string out, err;
};

std::string Slurp(const std::string& path) {
  const Bytes b = FileExists(path) ? ReadFile(path) : Bytes{};
  return std::string(b.begin(), b.end());
}

Outcome RunGuarded(const std::vector<std::string>& args, const std::string& scratch, const std::string& tempDir) {
  const std::string outPath = scratch + "stdout", errPath = scratch + "stderr";
  std::vector<std::string> argv{KORIMO_CLI_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0) ::_exit(127);
    ::dup2(out, 1);
    ::dup2(err, 2);
    const rlimit cpu{kCpuSeconds, kCpuSeconds};
    ::setrlimit(RLIMIT_CPU, &cpu);
    ::setenv("TMPDIR", tempDir.c_str(), 1);
    ::setenv("TEMP", tempDir.c_str(), 1);
    ::execv(cargv[0], cargv.data());
    ::_exit(127);
  }
  Outcome r;
  const auto deadline = std::chrono::steady_clock::now() + kWallGuard;
  int status = 0;
  for (;;) {
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(2ms);
  }
  r.out = Slurp(outPath);
  r.err = Slurp(errPath);
  return r;
}

const char* const kMessages[] = {
    msg::kCannotRead,     msg::kCannotLoad,       msg::kCannotSave,      msg::kNoImageToSave,
    msg::kLoadImageFirst, msg::kReplaceSound,     msg::kSoundNameTooLong, msg::kSoundDoesNotFit,
    msg::kCannotSaveTemp, msg::kMemoNameTooLong,  msg::kMemoTooLong,     msg::kNoRoomForMemo,
    msg::kPasswordTooLong, msg::kHasLockedSound,  msg::kLoadCarrier,     msg::kLoadSound,
};

// Every line of stderr is one of the program's messages, or korimo-cli's
// own word that a carrier needs --replace.
bool OnlyOwnMessages(const std::string& err) {
  std::istringstream in(err);
  std::string line;
  int lines = 0;
  while (std::getline(in, line)) {
    ++lines;
    bool known = line.find("--replace replaces it") != std::string::npos;
    for (const char* m : kMessages) known = known || line.find(m) != std::string::npos;
    if (!known) return false;
  }
  return lines > 0;
}

void SetLE(Bytes& b, std::size_t at, std::uint32_t v, int width = 4) {
  if (b.size() < at + width) b.resize(at + width, 0);
  for (int i = 0; i < width; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

Bytes With(Bytes b, std::size_t at, std::uint32_t v, int width = 4) {
  SetLE(b, at, v, width);
  return b;
}

Bytes Prefix(const Bytes& b, std::size_t n) { return Bytes(b.begin(), b.begin() + std::min(n, b.size())); }

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

struct Hostile {
  std::string name;
  Bytes bytes;
  bool accepted = false;  // sounds: embedded without complaint
  bool locked = false;    // images: a protected sound, extract exits 3
};

// 40 x 30 at 24 bits: image-data size 3600, a sound area of 434 bytes.
std::vector<Hostile> HostileImages() {
  const Bytes bmp = MakeBmp(40, 30);
  const Bytes wav = MakeWav(100, 8);  // 144 bytes
  const Bytes area = Concat(wav, MemoRecord(Ansi("メモ")));
  const auto carrier = [&](CarrierSpec layout) {
    if (layout.area.empty()) layout.area = area;
    if (layout.size < 0 && layout.soundSize == 0) layout.soundSize = static_cast<std::uint32_t>(wav.size());
    return BuildCarrier(bmp, layout);
  };
  const Bytes good = carrier({});
  const std::size_t soundAt = 182 + 8 * 5;  // "a.wav"

  std::vector<Hostile> h = {
      {"empty", {}},
      {"one byte", Text("B")},
      {"signature only", Text("BM")},
      {"28 bytes", Prefix(bmp, 28)},
      {"header only", Prefix(bmp, 54)},
      {"lower-case tag", With(bmp, 0, 'b' | ('m' << 8), 2)},
      {"swapped tag", With(bmp, 0, 'M' | ('B' << 8), 2)},
      {"8 bits", With(bmp, 28, 8, 2)},
      {"16 bits", With(bmp, 28, 16, 2)},
      {"bit count 32768", With(bmp, 28, 0x8000, 2)},
      {"bit count 65535", With(bmp, 28, 0xFFFF, 2)},
      {"file size 2^31", With(bmp, 2, 0x80000000u)},
      {"file size -1", With(bmp, 2, 0xFFFFFFFFu)},
      {"data size 2^31", With(bmp, 34, 0x80000000u)},
      {"data size -1", With(bmp, 34, 0xFFFFFFFFu)},
      {"data size 0", With(bmp, 34, 0)},
      {"data size 83", With(bmp, 34, 83)},
      {"data size 84", With(bmp, 34, 84)},
      {"data size 2^31-1 on a small file", With(bmp, 34, 0x7FFFFFFF)},
      {"data size 10x the file", With(bmp, 34, 36000)},
      {"carrier with data size 2^31-1", With(good, 34, 0x7FFFFFFF)},
      {"carrier cut in the header block", Prefix(good, 150)},
      {"carrier cut in the name", Prefix(good, 200)},
      {"carrier cut in the sound", Prefix(good, soundAt + 8 * 60)},
      {"carrier cut one byte short of the sound", Prefix(good, soundAt + 8 * wav.size() - 1)},
      {"carrier cut after the sound", Prefix(good, soundAt + 8 * wav.size() + 8)},
      {"size 0", carrier({.size = 0})},
      {"size 3", carrier({.size = 3})},
      {"size above data size", carrier({.size = 3601})},
      {"size 2^28-1", carrier({.size = 0x0FFFFFFF})},
      {"size 2^28-1 with data size 2^31-1", With(carrier({.size = 0x0FFFFFFF}), 34, 0x7FFFFFFF)},
      {"lower-case signature", carrier({.signature = "kr"})},
      {"empty signature", carrier({.signature = std::string("\0\0", 2)})},
      {"name length past the end", carrier({.nameLength = 255})},
      {"name length past the end of a tiny image", BuildCarrier(MakeBmp(8, 8), {.soundSize = 40, .nameLength = 255})},
      {"memo length 2^31-1", carrier({.area = Concat(wav, Concat(Be32(0x7FFFFFFF), Bytes{8}))})},
      {"memo length -1", carrier({.area = Concat(wav, Concat(Be32(0xFFFFFFFF), Bytes{8}))})},
      {"memo length 2^31", carrier({.area = Concat(wav, Concat(Be32(0x80000000), Bytes{8}))})},
      {"memo length past the area", carrier({.area = Concat(wav, Concat(Be32(300), Bytes{8}))})},
      {"memo name length past the area", carrier({.area = Concat(wav, Concat(Be32(4), Bytes{255}))})},
      {"sound without RIFF", carrier({.area = Concat(Text("RIFX"), Bytes(140, 1))})},
      {"locked", carrier({.password = "secret"}), false, true},
      {"locked with 8 full-width bytes", carrier({.password = "パスワド"}), false, true},
      {"kind 0 larger than the sound buffer", carrier({.kind = 0, .size = 3000})},
      {"kind 0 without RIFF", carrier({.kind = 0, .area = Bytes(144, 0x55), .size = 144})},
      {"kind 0 sound past the end", Prefix(carrier({.kind = 0, .area = wav, .size = 144}), 600)},
  };
  // Every carrier kind, with an otherwise good kind-1 record behind it.
  for (std::uint32_t kind = 0; kind < 16; ++kind) {
    Bytes b = good;
    PutBits(b, 54, Be32((kind << 28) | static_cast<std::uint32_t>(wav.size())));
    h.push_back({"kind " + std::to_string(kind), b});
  }
  // A password length that cannot be: 9 and 200.
  for (std::uint8_t p : {9, 200}) {
    Bytes b = good;
    PutBits(b, 102, {p});
    h.push_back({"password length " + std::to_string(p), b});
  }
  return h;
}

std::vector<Hostile> HostileSounds() {
  const Bytes wav = MakeWav(100, 8);
  return {
      {"empty", {}},
      {"tag only", Text("RIFF")},
      {"eleven bytes", Prefix(wav, 11)},
      {"lower-case riff", With(wav, 0, 'r' | ('i' << 8) | ('f' << 16) | ('f' << 24))},
      {"RIFX", With(wav, 0, 'R' | ('I' << 8) | ('F' << 16) | ('X' << 24))},
      {"AVI form", With(wav, 8, 'A' | ('V' << 8) | ('I' << 16) | (' ' << 24))},
      {"lower-case wave", With(wav, 8, 'w' | ('a' << 8) | ('v' << 16) | ('e' << 24))},
      {"chunk size 0", With(wav, 4, 0)},
      {"chunk size 3", With(wav, 4, 3)},
      {"chunk size 2^31-9", With(wav, 4, 0x7FFFFFF7)},
      {"chunk size 2^31-8", With(wav, 4, 0x7FFFFFF8)},
      {"chunk size 2^31-1", With(wav, 4, 0x7FFFFFFF)},
      {"chunk size -1", With(wav, 4, 0xFFFFFFFFu)},
      {"chunk size -2^31", With(wav, 4, 0x80000000u)},
      {"chunk size beyond the file", With(wav, 4, 300), true},
      {"chunk size beyond the image", With(wav, 4, 5000)},
      {"trailing bytes", Concat(wav, Concat(Be32(5), Text("\x08text.txthello"))), true},
  };
}

class MalformedCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(work / "in");
    fs::create_directory(work / "out");
    fs::create_directory(work / "tmp");
    WriteFile(work / "in/good.bmp", MakeBmp(40, 30));
    WriteFile(work / "in/good.wav", MakeWav(100, 8));
  }

  // Runs one command; checks the outcome rules shared by every case and
  // returns the outcome for case-specific checks.
  Outcome Check(const std::string& what, const std::vector<std::string>& args, const Strings& outputs) {
    SCOPED_TRACE(what);
    const Outcome r = RunGuarded(args, work.path(), work / "tmp/");
    EXPECT_NE(r.code, -1) << "hung";
    EXPECT_TRUE(r.code == 0 || r.code == 1 || r.code == 3) << "exit " << r.code << "\n" << r.err;
    if (r.code == 1) {
      EXPECT_TRUE(OnlyOwnMessages(r.err)) << r.err;
    }
    if (r.code == 3) {
      EXPECT_TRUE(OnlyOwnMessages(r.err) || r.out.find("sound: protected") != std::string::npos);
    }
    if (r.code != 0) {
      EXPECT_TRUE(Listing(work / "out").empty()) << "a refused command wrote a file";
    }
    for (const auto& name : Listing(work / "out"))
      EXPECT_NE(std::find(outputs.begin(), outputs.end(), name), outputs.end()) << "stray file " << name;
    EXPECT_TRUE(Listing(work / "tmp").empty()) << "temporary files left behind";
    for (const char* dir : {"out", "tmp"}) {
      fs::remove_all(work / dir);
      fs::create_directory(work / dir);
    }
    return r;
  }

  static Strings Listing(const std::string& dir) {
    Strings out;
    for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
    return out;
  }

  TempDir work;
};

struct HostileLabel {
  template <typename T>
  std::string operator()(const ::testing::TestParamInfo<T>& info) const {
    return LabelFrom(info.param.name);
  }
};

class HostileImage : public MalformedCliTest, public ::testing::WithParamInterface<Hostile> {};

TEST_P(HostileImage, InfoExtractAndEmbedEndCleanly) {
  const Hostile& h = GetParam();
  const std::string path = work / "in/hostile.bmp";
  WriteFile(path, h.bytes);
  const Outcome info = Check("info", {"info", path}, {});
  if (info.code == 0) {
    EXPECT_NE(info.out.find("image-data-size: "), std::string::npos);
  }
  const Outcome extract = Check("extract", {"extract", path, "-o", work / "out/s.wav", "--memo-out", work / "out/memo.txt"},
                                {"s.wav", "memo.txt"});
  EXPECT_EQ(extract.code == 3, h.locked) << "exit " << extract.code;
  Check("embed into", {"embed", path, work / "in/good.wav", "-o", work / "out/c.bmp"}, {"c.bmp"});
}

INSTANTIATE_TEST_SUITE_P(Files, HostileImage, ::testing::ValuesIn(HostileImages()), HostileLabel{});

class HostileSound : public MalformedCliTest, public ::testing::WithParamInterface<Hostile> {};

// Only a sound shorter than its chunk size and one with trailing bytes fit.
TEST_P(HostileSound, EmbedEndsCleanly) {
  const std::string path = work / "in/hostile.wav";
  WriteFile(path, GetParam().bytes);
  const Outcome r = Check("embed", {"embed", work / "in/good.bmp", path, "-o", work / "out/c.bmp"}, {"c.bmp"});
  EXPECT_EQ(r.code == 0, GetParam().accepted) << "exit " << r.code;
}

INSTANTIATE_TEST_SUITE_P(Files, HostileSound, ::testing::ValuesIn(HostileSounds()), HostileLabel{});

}  // namespace
}  // namespace korimo::test
