// korimo-cli on several carriers in one call, on pictures far larger than
// what they carry or than what it keeps in memory, and with a temporary
// folder that has no room.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/Messages.h"
#include "tests/cli/CliFixture.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/Sanitizers.h"
#include "tests/support/TestFiles.h"

namespace korimo::test {
namespace {

namespace fs = std::filesystem;

const std::string kCannotRead = msg::kCannotRead;


class CliScaleTest : public CliFixture {
 protected:
  // c.bmp: sound and memo; lock.bmp: protected by "abc"; plain.bmp: no sound.
  void MakeCarriers() {
    WriteFile(P("image.bmp"), MakeBmp(64, 48));
    WriteFile(P("plain.bmp"), MakeBmp(16, 20));
    WriteFile(P("音声.wav"), MakeWav(300));
    ASSERT_EQ(Cli({"embed", "image.bmp", "音声.wav", "-o", "c.bmp", "--memo", "メモ"}).code, 0);
    ASSERT_EQ(Cli({"embed", "image.bmp", "音声.wav", "-o", "lock.bmp", "--password", "abc"}).code, 0);
  }

  // Each line of `jsonLines` decoded by Python's own JSON parser and written
  // back in plain ASCII, keys in the order given.
  std::string Reparsed(const std::string& jsonLines) {
    WriteFile(root_ / "lines.json", Bytes(jsonLines.begin(), jsonLines.end()));
    const std::string script =
        "import json, sys\n"
        "for line in open(sys.argv[1], encoding='utf-8'):\n"
        "    print(json.dumps(json.loads(line), ensure_ascii=True))\n";
    WriteFile(root_ / "reparse.py", Bytes(script.begin(), script.end()));
    EXPECT_EQ(korimo::test::Run("python3 " + root_ / "reparse.py" + " " + root_ / "lines.json" + " > " + root_ / "out.txt"), 0);
    const Bytes out = ReadFile(root_ / "out.txt");
    return std::string(out.begin(), out.end());
  }

};

const std::string kCarrier = InfoText(64 * 48 * 3, 1, "present", 644, "音声.wav", 4, 1120);
const std::string kLocked = InfoText(64 * 48 * 3, 1, "protected", 0, "", 0, 1120);
const std::string kPlain = InfoText(960, 5, "none", 0, "", 0, 88);

TEST_F(CliScaleTest, InfoOnSeveralCarriersGivesOneBlockEach) {
  MakeCarriers();
  CliResult r = Cli({"info", "c.bmp"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, kCarrier);

  r = Cli({"info", "c.bmp", "plain.bmp", "c.bmp"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "file: c.bmp\n" + kCarrier + "\nfile: plain.bmp\n" + kPlain + "\nfile: c.bmp\n" + kCarrier);
  EXPECT_EQ(r.err, "");

  // A protected carrier makes it 3; nothing of it carries over to the next file.
  r = Cli({"info", "lock.bmp", "c.bmp"});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out, "file: lock.bmp\n" + kLocked + "\nfile: c.bmp\n" + kCarrier);
  r = Cli({"info", "lock.bmp", "c.bmp", "--password", "abc"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "file: lock.bmp\n" + InfoText(64 * 48 * 3, 1, "present", 644, "音声.wav", 0, 1120) +
                       "\nfile: c.bmp\n" + kCarrier);

  // A file that fails makes it 1, whatever else was found; its message on
  // stderr names it.
  r = Cli({"info", "missing.bmp", "lock.bmp", "c.bmp"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "file: missing.bmp\nerror: " + kCannotRead + "\n\nfile: lock.bmp\n" + kLocked +
                       "\nfile: c.bmp\n" + kCarrier);
  EXPECT_EQ(r.err, "missing.bmp: " + kCannotRead + " (no such file)\n");
}

TEST_F(CliScaleTest, InfoJsonIsOneObjectPerLine) {
  MakeCarriers();
  // A name with a quote, a backslash, a tab and a byte that is not UTF-8.
  const std::string odd = "we\"ird\\na\tme\xFF.bmp";
  CliResult r = Cli({"info", "--json", "c.bmp", "lock.bmp", odd, "plain.bmp"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "we\"ird\\\\na\\tme\xFF.bmp: " + kCannotRead + " (no such file)\n");
  EXPECT_EQ(Reparsed(r.out),
            "{\"file\": \"c.bmp\", \"image-data-size\": 9216, \"carrier-kind\": 1, \"sound\": \"present\", "
            "\"sound-size\": 644, \"sound-name\": \"\\u97f3\\u58f0.wav\", \"memo-bytes\": 4, \"capacity\": 1120}\n"
            "{\"file\": \"lock.bmp\", \"image-data-size\": 9216, \"carrier-kind\": 1, \"sound\": \"protected\", "
            "\"sound-size\": 0, \"sound-name\": \"\", \"memo-bytes\": 0, \"capacity\": 1120}\n"
            "{\"file\": \"we\\\"ird\\\\na\\tme\\ufffd.bmp\", \"error\": \"\\u3053\\u306e\\u30c7\\u30fc\\u30bf"
            "\\u306f\\u8aad\\u307f\\u8fbc\\u3081\\u307e\\u305b\\u3093\\u3002\"}\n"
            "{\"file\": \"plain.bmp\", \"image-data-size\": 960, \"carrier-kind\": 5, \"sound\": \"none\", "
            "\"sound-size\": 0, \"sound-name\": \"\", \"memo-bytes\": 0, \"capacity\": 88}\n");

  r = Cli({"info", "c.bmp", "--json"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
}

// A carrier whose picture runs on for 600 MB (a hole in the file) beyond the
// sound: info and extract take what the sound needs, not the picture.
TEST_F(CliScaleTest, CostFollowsTheSoundNotThePicture) {
  MakeCarriers();
  Bytes carrier = ReadFile(P("c.bmp"));
  const std::uint32_t dataSize = 600u << 20;
  for (int i = 0; i < 4; ++i) carrier[34 + i] = static_cast<std::uint8_t>(dataSize >> (8 * i));
  WriteFile(P("huge.bmp"), carrier);
  fs::resize_file(P("huge.bmp"), 54 + dataSize);

  CliResult r = Cli({"info", "huge.bmp"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, InfoText(dataSize, 1, "present", 644, "音声.wav", 4, 78643168));
  if (!kAddressSanitizer) {
    EXPECT_LT(r.peakKb, 48 * 1024);
  }

  r = Cli({"extract", "huge.bmp", "-o", "out.wav", "--memo-out", "memo.txt"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadFile(P("out.wav")), MakeWav(300));
  EXPECT_EQ(ReadFile(P("memo.txt")), Bytes({0xE3, 0x83, 0xA1, 0xE3, 0x83, 0xA2}));
  if (!kAddressSanitizer) {
    EXPECT_LT(r.peakKb, 48 * 1024);
  }
}

// A 100 MB top-down picture with a version-5 header must be rewritten into
// the classic layout whole: it is held once, in the memory it is read into.
TEST_F(CliScaleTest, RewriteHoldsThePictureOnce) {
  WriteFile(P("s.wav"), MakeWav(300));
  const std::int32_t width = 1024, rows = 34133;
  const std::uint32_t pixels = 3u * width * rows, offset = 14 + 124;
  Bytes header(offset, 0);
  const auto put = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) header[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  header[0] = 'B', header[1] = 'M', header[26] = 1, header[28] = 24;
  put(2, offset + pixels), put(10, offset), put(14, 124), put(18, width), put(22, static_cast<std::uint32_t>(-rows));
  put(34, pixels);
  WriteFile(P("v5.bmp"), header);
  fs::resize_file(P("v5.bmp"), offset + pixels);

  const CliResult r = Cli({"embed", "v5.bmp", "s.wav", "-o", "c.bmp"});
  EXPECT_EQ(r.code, 0) << r.err;
  if (!kAddressSanitizer) {
    EXPECT_LT(r.peakKb, 150 * 1024);
  }
  EXPECT_EQ(fs::file_size(P("c.bmp")), 54u + pixels);
}

// embed into a 100 MB picture (a hole in the file) writes the whole new
// carrier without holding the picture in memory.
TEST_F(CliScaleTest, EmbedStreamsThePicture) {
  WriteFile(P("音声.wav"), MakeWav(300));
  Bytes header = MakeBmp(16, 16);
  header.resize(54);
  const std::uint32_t dataSize = 100u << 20;
  for (int i = 0; i < 4; ++i) header[34 + i] = static_cast<std::uint8_t>(dataSize >> (8 * i));
  WriteFile(P("big.bmp"), header);
  fs::resize_file(P("big.bmp"), 54 + dataSize);

  CliResult r = Cli({"embed", "big.bmp", "音声.wav", "-o", "big-c.bmp", "--memo", "メモ"});
  EXPECT_EQ(r.code, 0) << r.err;
  if (!kAddressSanitizer) {
    EXPECT_LT(r.peakKb, 48 * 1024);
  }
  EXPECT_EQ(fs::file_size(P("big-c.bmp")), 54u + dataSize);
  r = Cli({"extract", "big-c.bmp", "-o", "out.wav"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadFile(P("out.wav")), MakeWav(300));
}

// info and extract never write "temp.wav": with no room for one (every file
// limited to 64 KB, far less than the sound area) they work all the same.
TEST_F(CliScaleTest, NoRoomForATemporaryFileChangesNothing) {
  WriteFile(P("image.bmp"), MakeBmp(600, 400));
  WriteFile(P("s.wav"), MakeWav(10000));
  ASSERT_EQ(Cli({"embed", "image.bmp", "s.wav", "-o", "c.bmp", "--memo", "m"}).code, 0);
  CliLimits noRoom;
  noRoom.maxFileBytes = 64 * 1024;

  CliResult r = Cli({"info", "c.bmp"}, noRoom);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, InfoText(600 * 400 * 3, 1, "present", 20044, "s.wav", 1, 89968));
  EXPECT_EQ(r.err, "");

  r = Cli({"extract", "c.bmp", "-o", "out.wav", "--memo-out", "memo.txt"}, noRoom);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadFile(P("out.wav")), MakeWav(10000));
  EXPECT_EQ(ReadFile(P("memo.txt")), Bytes{'m'});
}

}  // namespace
}  // namespace korimo::test
