// Writes the seed corpora of the fuzz targets: small BMPs and carriers made by
// the engine itself (so they always match the current format), WAV files with
// the control bytes of the sound target, and CP932/UTF-8 text.
//
//   korimo_fuzz_seeds OUTDIR   ->  OUTDIR/image, OUTDIR/sound, OUTDIR/cp932

#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "engine/CarrierIO.h"
#include "engine/CarrierLayout.h"
#include "engine/Extraction.h"
#include "engine/Korimocom.h"
#include "engine/Memo.h"
#include "engine/Synthesis.h"
#include "fuzz/FuzzSupport.h"
#include "media/BmpLoad.h"
#include "media/WavLoad.h"

namespace kc = Korimocom;
using namespace korimo::fuzz;

namespace {

std::string g_out;

void Put(const std::string& target, const std::string& name, const Bytes& bytes) {
  WriteBytes(g_out + "/" + target + "/" + name, bytes.data(), bytes.size());
}
void Put(const std::string& target, const std::string& name, const std::string& text) {
  Put(target, name, Bytes(text.begin(), text.end()));
}

// A kind-1 carrier made by the engine from a picture and a sound.
Bytes Carrier(const Bytes& bmp, const Bytes& wav, const std::string& password, const std::string& memo) {
  FreshSession();
  const std::string image = ScratchDir() + "seed.bmp", sound = ScratchDir() + "a.wav";
  WriteBytes(image, bmp.data(), bmp.size());
  WriteBytes(sound, wav.data(), wav.size());
  kc::LoadImageData(image);
  kc::LoadSoundData(sound);
  kc::SoundPath = sound;
  if (!memo.empty()) {
    kc::MemoCapacity = korimo::layout::MemoCapacityFor();
    kc::PutMemo(memo, "text.txt");
  }
  kc::Password = password;
  kc::OperationFailed = 0;
  kc::SynthesizeSound();
  if (kc::OperationFailed != 0 || kc::SoundLoaded != 1) Fail("seed carrier");
  return kc::ImageBytes;
}

// Sets the size field's kind nibble and 28-bit size directly.
Bytes WithSizeField(Bytes bmp, std::uint32_t field) {
  kc::ImageBytes = bmp;
  for (int k = 0; k < 4; ++k) kc::EmbedByteAt(54 + 8 * k, static_cast<std::uint8_t>(field >> (24 - 8 * k)));
  return kc::ImageBytes;
}

// Sound seed: WAV bytes, memo, memo length, control byte.
Bytes SoundSeed(Bytes wav, const std::string& memo, std::uint8_t control) {
  wav.insert(wav.end(), memo.begin(), memo.end());
  wav.push_back(static_cast<std::uint8_t>(memo.size()));
  wav.push_back(control);
  return wav;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  g_out = argv[1];
  for (const char* d : {"", "/image", "/sound", "/cp932"}) ::mkdir((g_out + d).c_str(), 0755);
  FuzzPlatform platform;

  const Bytes small = MakeBmp(24, 16, 24), odd = MakeBmp(100, 75, 24), deep = MakeBmp(16, 16, 32);
  const Bytes wav = MakeWav(20), wav8 = MakeWav(30, 8);

  // Image target.
  Put("image", "plain.bmp", small);
  Put("image", "plain32.bmp", deep);
  Put("image", "carrier.bmp", Carrier(small, wav, "", ""));
  Put("image", "carrier-pw.bmp", Carrier(small, wav, "pw", "memo"));
  Put("image", "carrier-locked.bmp", Carrier(small, wav8, "secret", ""));
  Put("image", "carrier-memo.bmp", Carrier(small, wav8, "", "メモ\r\n2行目"));
  Put("image", "carrier-odd.bmp", Carrier(odd, wav, "", "x"));
  {
    // Kind 0: the sound right after the size field.
    Bytes plain = WithSizeField(small, static_cast<std::uint32_t>(wav8.size()));
    kc::ImageBytes = plain;
    kc::EmbedBytes(86, wav8.data(), wav8.size());
    Put("image", "kind0.bmp", kc::ImageBytes);
  }
  Put("image", "kind2.bmp", WithSizeField(small, (2u << 28) | 40));
  {
    Bytes cut = Carrier(small, wav, "", "");
    cut.resize(300);
    Put("image", "carrier-truncated.bmp", cut);
  }
  Put("image", "header-only.bmp", Bytes(small.begin(), small.begin() + 54));
  Put("image", "8bit.bmp", [&] { Bytes b = small; b[28] = 8; return b; }());

  // Sound target (control: name bits 0-1, image 2-3, password 4-5, wrong try 6, memo 7).
  Put("sound", "plain", SoundSeed(wav, "", 0x04));
  Put("sound", "memo", SoundSeed(wav8, "メモです", 0x84));
  Put("sound", "password", SoundSeed(wav, "note", 0xD9));
  Put("sound", "long-name", SoundSeed(wav, "", 0x2A));
  Put("sound", "japanese-name", SoundSeed(wav8, "abc", 0xB5));
  Put("sound", "backslash-name", SoundSeed(wav, "", 0x0F));
  {
    Bytes trailing = wav8;  // bytes after the RIFF chunk must not become a memo
    trailing.insert(trailing.end(), {0, 0, 0, 4, 8, 't', 'e', 'x', 't', '.', 't', 'x', 't', 'j', 'u', 'n', 'k'});
    Put("sound", "trailing", SoundSeed(trailing, "", 0x08));
  }
  {
    Bytes shortFile = wav;  // shorter than its chunk size: the rest reads as zero
    shortFile.resize(30);
    Put("sound", "short", SoundSeed(shortFile, "", 0x04));
  }

  // CP932 target.
  Put("cp932", "ascii", std::string("text.txt"));
  Put("cp932", "japanese", std::string("こんにちは、ｼｽﾃﾑ～〜①髙"));
  Put("cp932", "sjis", std::string("\x82\xb1\x82\xf1\x81\x60\x87\x40\xfb\xfc"));
  Put("cp932", "broken", std::string("\x82\xff\x80\xa0\xfd\xe9\x82", 7));
  Put("cp932", "unmappable", std::string("caf\xc3\xa9 \xf0\x9f\x8e\xb5"));
  return 0;
}
