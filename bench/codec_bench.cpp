// Throughput of the bit codec against memcpy over the same image bytes, and
// of the whole synthesis / extraction / load / save procedures on a 36 MB
// carrier. Figures are bytes of image data per second. After the runs a
// summary prints every codec figure as a fraction of memcpy of the same size
// (median of the repetitions when --benchmark_repetitions is given).
//
// The codec figures use CPU time, which other processes on a busy machine
// disturb least; the procedures use wall time because they wait for files.
//
//   build-perf/korimo-codec-bench --benchmark_repetitions=5
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/CarrierIO.h"
#include "engine/CarrierLayout.h"
#include "engine/Extraction.h"
#include "engine/Buffers.h"
#include "engine/Korimocom.h"
#include "engine/Synthesis.h"
#include "media/BmpLoad.h"
#include "media/CarrierSave.h"

namespace {

namespace kc = Korimocom;
namespace fs = std::filesystem;

constexpr std::size_t kMiB = 1024 * 1024;
constexpr std::size_t kLargest = 300 * kMiB;
// A 4000 x 3000 24-bit picture: 36,000,000 bytes of pixel data.
constexpr std::size_t kPictureData = 4000u * 3000u * 3u;

// ---- Buffers, allocated once at the largest size and shared ---------------

std::vector<kc::Byte> RandomBytes(std::size_t size, unsigned seed) {
  std::vector<kc::Byte> v(size);
  std::mt19937_64 rng(seed);
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    const std::uint64_t w = rng();
    std::memcpy(v.data() + i, &w, 8);
  }
  for (; i < size; ++i) v[i] = static_cast<kc::Byte>(rng());
  return v;
}

// ImageBytes is the codec's buffer and memcpy's source: a random picture of
// the largest size, so every size works on a prefix of the same memory.
void PrepareImage() {
  if (kc::ImageBytes.size() != kLargest) kc::ImageBytes = RandomBytes(kLargest, 12345);
}

std::vector<kc::Byte>& Destination() {
  static std::vector<kc::Byte> bytes(kLargest, 1);
  return bytes;
}

std::vector<kc::Byte>& DataBytes() {
  static std::vector<kc::Byte> bytes = RandomBytes(kLargest / 8, 678);
  return bytes;
}

// ---- Codec against memcpy --------------------------------------------------

void BM_Memcpy(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  PrepareImage();
  auto& dst = Destination();
  for (auto _ : state) {
    std::memcpy(dst.data(), kc::ImageBytes.data(), size);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void BM_EmbedBytes(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  PrepareImage();
  auto& data = DataBytes();
  for (auto _ : state) {
    kc::EmbedBytes(0, data.data(), size / 8);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void BM_ExtractBytes(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  PrepareImage();
  auto& data = DataBytes();
  for (auto _ : state) {
    kc::ExtractBytes(0, data.data(), size / 8);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// The literal form: eight carrier bytes copied into a work array, one
// EmbedByte / ExtractByte call, copied back. Shows what the bulk path saves.
void BM_EmbedByteLoop(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  PrepareImage();
  auto& data = DataBytes();
  for (auto _ : state) {
    kc::Byte* p = kc::ImageBytes.data();
    for (std::size_t k = 0; k < size / 8; ++k, p += 8) {
      kc::WorkArray work;
      std::copy_n(p, 8, work.begin());
      kc::EmbedByte(work, data[k]);
      std::copy_n(work.begin(), 8, p);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void BM_ExtractByteLoop(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  PrepareImage();
  auto& data = DataBytes();
  for (auto _ : state) {
    const kc::Byte* p = kc::ImageBytes.data();
    for (std::size_t k = 0; k < size / 8; ++k, p += 8) {
      kc::WorkArray work;
      std::copy_n(p, 8, work.begin());
      data[k] = kc::ExtractByte(work);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// Registered size by size so that each memcpy figure precedes the codec
// figures it is compared with.
void SmallSizes(benchmark::internal::Benchmark* b) { b->Arg(1 * kMiB)->Arg(36 * kMiB); }
void LargestSize(benchmark::internal::Benchmark* b) { b->Arg(static_cast<std::int64_t>(kLargest))->Iterations(4); }

BENCHMARK(BM_Memcpy)->Apply(SmallSizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EmbedBytes)->Apply(SmallSizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExtractBytes)->Apply(SmallSizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EmbedByteLoop)->Arg(36 * kMiB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExtractByteLoop)->Arg(36 * kMiB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Memcpy)->Apply(LargestSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EmbedBytes)->Apply(LargestSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractBytes)->Apply(LargestSize)->Unit(benchmark::kMillisecond);

// ---- Whole procedures on a 4000 x 3000 picture --------------------------------

// A private directory for temp.wav and the saved carriers, made on first use
// and removed by main() after the runs.
std::string g_workDir;

const std::string& WorkDir() {
  if (g_workDir.empty()) {
    std::string pattern = (fs::temp_directory_path() / "korimo-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    g_workDir = pattern + "/";
  }
  return g_workDir;
}

// The working set of an opened 36 MB picture with a 4 MB sound loaded, as the
// open-image and open-sound commands leave it.
void LoadPictureAndSound() {
  kc::ResetWorkData();
  kc::TempDir = WorkDir();
  kc::ImageBytes = RandomBytes(54 + kPictureData, 9);
  // The header a 24-bit, 4000 x 3000 BMP has, so that LoadImageData accepts it.
  std::fill_n(kc::ImageBytes.begin(), 54, kc::Byte{0});
  const auto put32 = [](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) kc::ImageBytes[at + i] = static_cast<kc::Byte>(v >> (8 * i));
  };
  kc::ImageBytes[0] = 'B';
  kc::ImageBytes[1] = 'M';
  put32(2, static_cast<std::uint32_t>(kc::ImageBytes.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, 4000);
  put32(22, 3000);
  kc::ImageBytes[26] = 1;
  kc::ImageBytes[28] = 24;
  put32(34, static_cast<std::uint32_t>(kPictureData));
  kc::ImageLoaded = 1;
  kc::ImageDataSize = static_cast<kc::Long>(kPictureData);
  kc::SoundPath = "bench-sound.wav";
  const int nameBytes = static_cast<int>(kc::SoundPath.size());
  kc::SoundAreaSize = korimo::layout::SoundAreaSizeFor(kc::ImageDataSize, nameBytes);
  kc::Redim(kc::SoundBytes, kc::SoundAreaSize);
  kc::SoundSize = 4 * 1000 * 1000;
  std::copy_n(DataBytes().begin(), kc::SoundSize, kc::SoundBytes.begin());
  std::memcpy(kc::SoundBytes.data(), "RIFF", 4);
  kc::SoundLoaded = 1;
}

void BM_SynthesizeSound(benchmark::State& state) {
  LoadPictureAndSound();
  for (auto _ : state) {
    kc::OperationFailed = 0;
    kc::SynthesizeSound();
    if (kc::OperationFailed != 0) state.SkipWithError("synthesis refused");
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kc::ImageBytes.size()));
}
BENCHMARK(BM_SynthesizeSound)->Unit(benchmark::kMillisecond)->UseRealTime();

// Includes deleting and writing temp.wav (the whole sound area, 4.5 MB).
void BM_ExtractSound(benchmark::State& state) {
  LoadPictureAndSound();
  kc::SynthesizeSound();
  for (auto _ : state) {
    kc::ExtractSound();
    if (kc::Synthesized != 1) state.SkipWithError("no sound extracted");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kc::ImageBytes.size()));
}
BENCHMARK(BM_ExtractSound)->Unit(benchmark::kMillisecond)->UseRealTime();

// Reading the file (from the page cache) into ImageBytes.
void BM_LoadImageData(benchmark::State& state) {
  LoadPictureAndSound();
  const std::string path = WorkDir() + "picture.bmp";
  kc::SaveImageData(path);
  for (auto _ : state) {
    kc::OperationFailed = 0;
    kc::LoadImageData(path);
    if (kc::ImageLoaded != 1) state.SkipWithError("load failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kc::ImageBytes.size()));
}
BENCHMARK(BM_LoadImageData)->Unit(benchmark::kMillisecond)->UseRealTime();

// Writing the carrier: temporary file, fsync, rename.
void BM_SaveImageData(benchmark::State& state) {
  LoadPictureAndSound();
  const std::string path = WorkDir() + "carrier.bmp";
  for (auto _ : state) {
    kc::ImageSaved = 0;
    kc::SaveImageData(path);
    if (kc::ImageSaved != 1) state.SkipWithError("save failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kc::ImageBytes.size()));
}
BENCHMARK(BM_SaveImageData)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// ---- Summary: codec / memcpy -----------------------------------------------

// Passes every run to the usual console output and keeps bytes per second by
// name (the median aggregate replaces single runs when there are repetitions).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const auto it = run.counters.find("bytes_per_second");
      if (it == run.counters.end()) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Aggregate && !median) continue;
      std::string name = run.run_name.str();
      Figure& f = figures_[name];
      if (median || !f.median) f = Figure{it->second.value, median};
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\ncodec throughput as a fraction of memcpy of the same size:\n");
    for (const auto& [name, figure] : figures_) {
      const std::size_t slash = name.find('/');
      if (slash == std::string::npos || name.rfind("BM_Memcpy", 0) == 0) continue;
      const std::string size = name.substr(name.find('/'));
      // Iteration counts fixed for the largest size are part of the name.
      std::string memcpyName;
      for (const auto& [other, _] : figures_)
        if (other.rfind("BM_Memcpy" + size.substr(0, size.find('/', 1)), 0) == 0) memcpyName = other;
      if (memcpyName.empty()) continue;
      const double ratio = figure.bytesPerSecond / figures_[memcpyName].bytesPerSecond;
      std::printf("  %-40s %6.2f GB/s  %5.1f %% of memcpy\n", name.c_str(), figure.bytesPerSecond / 1e9,
                  100.0 * ratio);
    }
    std::fflush(stdout);
  }

 private:
  struct Figure {
    double bytesPerSecond = 0;
    bool median = false;
  };
  std::map<std::string, Figure> figures_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  if (!g_workDir.empty()) {
    std::error_code ec;
    fs::remove_all(g_workDir, ec);
  }
  return 0;
}
