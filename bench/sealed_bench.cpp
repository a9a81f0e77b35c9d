// Sealing and opening a 36 MB picture beside the plain embedding and
// extraction of the same sound. Sizes are percentages of the sealed capacity
// (4.5 MB at 100 %). Every sealing and opening includes one Argon2id key
// derivation with the format's limits (3 passes over 256 MiB), shown alone as
// BM_KeyDerivation; the rest is the keyed order of positions, the encryption
// and the +-1 writing, in proportion to the sound. Wall time.
//
//   build-perf/korimo-sealed-bench --benchmark_repetitions=3
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>

#include "engine/CarrierLayout.h"
#include "engine/Extraction.h"
#include "engine/Korimocom.h"
#include "engine/Sealed.h"
#include "engine/Synthesis.h"

namespace {

namespace kc = Korimocom;
namespace ks = korimo::sealed;

constexpr std::size_t kPictureData = 4000u * 3000u * 3u;

kc::ByteArray RandomBytes(std::size_t size, unsigned seed) {
  kc::ByteArray v(size);
  std::mt19937_64 rng(seed);
  for (std::size_t i = 0; i < size; ++i) v[i] = static_cast<kc::Byte>(rng() >> 56);
  return v;
}

const kc::ByteArray& Picture() {
  static const kc::ByteArray picture = [] {
    kc::ByteArray p = RandomBytes(54 + kPictureData, 9);
    std::memset(p.data(), 0, 54);
    const auto put32 = [&p](std::size_t at, std::uint32_t v) {
      for (int i = 0; i < 4; ++i) p[at + i] = static_cast<kc::Byte>(v >> (8 * i));
    };
    p[0] = 'B';
    p[1] = 'M';
    put32(2, static_cast<std::uint32_t>(p.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, 4000);
    put32(22, 3000);
    p[26] = 1;
    p[28] = 24;
    put32(34, kPictureData);
    return p;
  }();
  return picture;
}

// The working set of the picture with a sound of `percent` % of the sealed capacity.
std::size_t Load(int percent) {
  kc::ResetWorkData();
  kc::ImageBytes = Picture();
  kc::ImageLoaded = 1;
  kc::ImageDataSize = static_cast<kc::Long>(kPictureData);
  kc::SoundPath = "bench-sound.wav";
  const std::size_t size = ks::SealedCapacity() * static_cast<std::size_t>(percent) / 100 - 64;
  kc::SoundAreaSize = korimo::layout::SoundAreaSizeFor(kc::ImageDataSize, static_cast<int>(kc::SoundPath.size()));
  kc::SoundBytes = RandomBytes(static_cast<std::size_t>(kc::SoundAreaSize), 7);
  std::memset(kc::SoundBytes.data() + size, 0, kc::SoundBytes.size() - size);
  std::memcpy(kc::SoundBytes.data(), "RIFF", 4);
  kc::SoundSize = static_cast<kc::Long>(size);
  kc::SoundLoaded = 1;
  return size;
}

ks::Content Content(std::size_t size) { return {{kc::SoundBytes.data(), size}, "bench-sound.wav", "memo"}; }

void BM_KeyDerivation(benchmark::State& state) {
  kc::ResetWorkData();
  kc::ImageBytes = kc::ByteArray(4096, 100);  // no sealed sound: opening is the derivation alone
  kc::ImageDataSize = 4096 - 54;
  for (auto _ : state) {
    std::string phrase = "bench";
    const ks::Passphrase p(phrase);
    benchmark::DoNotOptimize(ks::Open(p));
  }
}
BENCHMARK(BM_KeyDerivation)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_Seal(benchmark::State& state) {
  const std::size_t size = Load(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    kc::ImageBytes = Picture();
    state.ResumeTiming();
    std::string phrase = "bench";
    const ks::Passphrase p(phrase);
    if (ks::Seal(p, Content(size)) != ks::SealOutcome::Sealed) state.SkipWithError("did not fit");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_Seal)->Arg(5)->Arg(25)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_Open(benchmark::State& state) {
  const std::size_t size = Load(static_cast<int>(state.range(0)));
  std::string phrase = "bench";
  const ks::Passphrase p(phrase);
  ks::Seal(p, Content(size));
  for (auto _ : state) {
    if (!ks::Open(p)) state.SkipWithError("did not open");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_Open)->Arg(5)->Arg(25)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// The plain carrier of the same sound: its whole sound area is written.
void BM_PlainEmbed(benchmark::State& state) {
  const std::size_t size = Load(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    kc::OperationFailed = 0;
    kc::SynthesizeSound();
    if (kc::OperationFailed != 0) state.SkipWithError("synthesis refused");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_PlainEmbed)->Arg(5)->Arg(25)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime();

// The plain extraction, kept in memory as korimo-cli's extract does.
void BM_PlainExtract(benchmark::State& state) {
  const std::size_t size = Load(static_cast<int>(state.range(0)));
  kc::SynthesizeSound();
  for (auto _ : state) {
    kc::ExtractSound(kc::ExtractionScope::SoundAndMemo);
    if (kc::Synthesized != 1) state.SkipWithError("no sound extracted");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_PlainExtract)->Arg(5)->Arg(25)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
