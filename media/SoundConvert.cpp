#include "media/SoundConvert.h"

#include <samplerate.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <new>

#include "engine/Messages.h"
#include "engine/TextFields.h"
#include "platform/FileIO.h"

namespace korimo::media {

namespace {

// The rates a fitted sound steps down through, highest first.
constexpr std::array<int, 4> kFitRates = {22050, 16000, 11025, 8000};
// RIFF, fmt and data headers of a plain PCM WAV.
constexpr std::size_t kWavHeaderBytes = 44;
// The largest RIFF chunk size the WAV loader takes as a sound length.
constexpr std::int64_t kMaxChunkSize = 2147483639;
constexpr sf_count_t kBlockFrames = 4096;

// The WAV encodings the sound service decodes; such a WAV file is embedded as
// it is. Anything else libsndfile reads is converted.
bool ServicePlays(int format) {
  const int major = format & SF_FORMAT_TYPEMASK;
  if (major != SF_FORMAT_WAV && major != SF_FORMAT_WAVEX) return false;
  if ((format & SF_FORMAT_ENDMASK) == SF_ENDIAN_BIG) return false;
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_IMA_ADPCM:
    case SF_FORMAT_MS_ADPCM:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW: return true;
    default: return false;
  }
}

// An open libsndfile handle, and the descriptor it reads, closed on every way out.
struct SoundFile {
  SNDFILE* file = nullptr;
  int fd = -1;
  ~SoundFile() {
    if (file) sf_close(file);
    if (fd >= 0) fileio::Close(fd);
  }
};

// The WAV being written, in memory, for libsndfile's virtual I/O.
struct MemoryFile {
  std::vector<std::uint8_t> bytes;
  sf_count_t at = 0;

  static sf_count_t Length(void* self) { return static_cast<sf_count_t>(Of(self).bytes.size()); }
  static sf_count_t Seek(sf_count_t offset, int whence, void* self) {
    MemoryFile& m = Of(self);
    const sf_count_t base = whence == SEEK_CUR ? m.at : whence == SEEK_END ? Length(self) : 0;
    m.at = std::max<sf_count_t>(0, base + offset);
    return m.at;
  }
  static sf_count_t Read(void* ptr, sf_count_t count, void* self) {
    MemoryFile& m = Of(self);
    const sf_count_t n = std::clamp<sf_count_t>(Length(self) - m.at, 0, count);
    if (n > 0) std::memcpy(ptr, m.bytes.data() + m.at, static_cast<std::size_t>(n));
    m.at += n;
    return n;
  }
  static sf_count_t Write(const void* ptr, sf_count_t count, void* self) {
    MemoryFile& m = Of(self);
    if (count <= 0) return 0;
    const auto end = static_cast<std::size_t>(m.at + count);
    if (end > m.bytes.size()) m.bytes.resize(end);
    std::memcpy(m.bytes.data() + m.at, ptr, static_cast<std::size_t>(count));
    m.at += count;
    return count;
  }
  static sf_count_t Tell(void* self) { return Of(self).at; }
  static MemoryFile& Of(void* self) { return *static_cast<MemoryFile*>(self); }
};

// Decoded samples, interleaved, full scale +-1.
struct Samples {
  std::vector<float> data;
  int channels = 0;
  int rate = 0;
  std::size_t Frames() const { return channels > 0 ? data.size() / static_cast<std::size_t>(channels) : 0; }
};

// Predicted WAV size of `frames` frames at the source rate in a form.
std::int64_t WavBytes(std::size_t frames, int sourceRate, int channels, int rate, int bits) {
  const auto out = static_cast<std::int64_t>(std::ceil(static_cast<double>(frames) * rate / sourceRate));
  return static_cast<std::int64_t>(kWavHeaderBytes) + out * channels * (bits / 8);
}

// The forms tried in order: the sound's own, then mono, then each lower rate,
// then 8-bit samples at the lowest rate reached.
std::vector<SoundForm> FormsToTry(int channels, int rate) {
  std::vector<SoundForm> forms{{channels, rate, 16, 0}};
  if (channels > 1) forms.push_back({1, rate, 16, 0});
  for (const int r : kFitRates)
    if (r < rate) forms.push_back({1, r, 16, 0});
  forms.push_back({1, forms.back().rate, 8, 0});
  return forms;
}

std::vector<float> Mixdown(const Samples& s) {
  if (s.channels == 1) return s.data;
  const std::size_t frames = s.Frames();
  std::vector<float> mono(frames);
  for (std::size_t f = 0; f < frames; ++f) {
    float sum = 0;
    const float* frame = &s.data[f * static_cast<std::size_t>(s.channels)];
    for (int c = 0; c < s.channels; ++c) sum += frame[c];
    mono[f] = sum / static_cast<float>(s.channels);
  }
  return mono;
}

std::vector<float> Resample(const std::vector<float>& mono, int from, int to) {
  if (from == to || mono.empty()) return mono;
  const double ratio = static_cast<double>(to) / from;
  std::vector<float> out(static_cast<std::size_t>(std::ceil(static_cast<double>(mono.size()) * ratio)) + 16);
  SRC_DATA data{};
  data.data_in = mono.data();
  data.input_frames = static_cast<long>(mono.size());
  data.data_out = out.data();
  data.output_frames = static_cast<long>(out.size());
  data.src_ratio = ratio;
  data.end_of_input = 1;
  if (const int error = src_simple(&data, SRC_SINC_MEDIUM_QUALITY, 1)) throw SoundUnreadable(src_strerror(error));
  out.resize(static_cast<std::size_t>(data.output_frames_gen));
  return out;
}

// Writes interleaved samples as a PCM WAV of 8 or 16 bits, clipping peaks.
std::vector<std::uint8_t> EncodeWav(const std::vector<float>& data, int channels, int rate, int bits) {
  MemoryFile memory;
  SF_VIRTUAL_IO io{&MemoryFile::Length, &MemoryFile::Seek, &MemoryFile::Read, &MemoryFile::Write, &MemoryFile::Tell};
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = SF_FORMAT_WAV | (bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
  {
    SoundFile out{sf_open_virtual(&io, SFM_WRITE, &info, &memory)};
    if (!out.file) throw SoundUnreadable(sf_strerror(nullptr));
    sf_command(out.file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const auto frames = static_cast<sf_count_t>(data.size() / static_cast<std::size_t>(channels));
    if (sf_writef_float(out.file, data.data(), frames) != frames) throw SoundUnreadable(sf_strerror(out.file));
  }
  return std::move(memory.bytes);
}

// A stand-in for a sound too large to fit in any form: only the RIFF header,
// whose chunk size the WAV loader reads and then refuses as too large.
std::vector<std::uint8_t> RiffHeaderOnly(std::int64_t wavBytes) {
  const auto chunk = static_cast<std::uint32_t>(std::min(wavBytes - 8, kMaxChunkSize));
  std::vector<std::uint8_t> header = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  for (int i = 0; i < 4; ++i) header[4 + i] = static_cast<std::uint8_t>(chunk >> (8 * i));
  return header;
}

}  // namespace

std::string WavNameFor(const std::string& path) {
  std::string title = Korimocom::FileTitleOf(path);
  const std::size_t dot = title.find_last_of('.');
  if (dot != std::string::npos && dot > 0) title.erase(dot);
  return title + ".wav";
}

namespace {

std::string Replace(std::string text, const char* mark, const std::string& with) {
  const std::size_t at = text.find(mark);
  if (at != std::string::npos) text.replace(at, std::strlen(mark), with);
  return text;
}

}  // namespace

std::optional<ConvertedSound> ConvertSound(const std::string& path, SoundFitting fitting, const FitCheck& fits) {
  SoundFile in;
  in.fd = fileio::OpenForRead(path);
  if (in.fd < 0) return std::nullopt;
  std::uint8_t head[12] = {};
  const long long headBytes = fileio::ReadUpTo(in.fd, head, sizeof head);
  const bool riffWave = headBytes == 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
  if (headBytes < 0 || lseek(in.fd, 0, SEEK_SET) != 0) return std::nullopt;

  SF_INFO info{};
  in.file = sf_open_fd(in.fd, SFM_READ, &info, SF_FALSE);
  if (!in.file || info.channels < 1 || info.samplerate < 1) return std::nullopt;
  if (riffWave && ServicePlays(info.format)) {
    if (fitting != SoundFitting::Any) return std::nullopt;
    const std::int64_t length = std::int64_t{head[4]} | std::int64_t{head[5]} << 8 | std::int64_t{head[6]} << 16 |
                                std::int64_t{head[7]} << 24;
    if (fits(static_cast<std::size_t>(length + 8))) return std::nullopt;
  }

  const std::vector<SoundForm> forms = FormsToTry(info.channels, info.samplerate);
  const SoundForm& smallest = forms.back();

  // Decoding stops as soon as even the smallest form cannot fit, so a long
  // sound never fills memory only to be refused.
  Samples samples;
  samples.channels = info.channels;
  samples.rate = info.samplerate;
  std::vector<float> block(static_cast<std::size_t>(kBlockFrames) * static_cast<std::size_t>(info.channels));
  for (;;) {
    const sf_count_t got = sf_readf_float(in.file, block.data(), kBlockFrames);
    if (got <= 0) {
      // A file damaged part way is not converted as far as it goes.
      if (sf_error(in.file) != SF_ERR_NO_ERROR) throw SoundUnreadable(sf_strerror(in.file));
      break;
    }
    samples.data.insert(samples.data.end(), block.begin(),
                        block.begin() + static_cast<std::ptrdiff_t>(got) * info.channels);
    const std::int64_t least =
        WavBytes(samples.Frames(), samples.rate, smallest.channels, smallest.rate, smallest.bits);
    if (!fits(static_cast<std::size_t>(least))) {
      ConvertedSound result;
      result.name = WavNameFor(path);
      result.wav = RiffHeaderOnly(least);
      return result;
    }
  }

  ConvertedSound result;
  result.name = WavNameFor(path);
  const std::size_t frames = samples.Frames();
  std::vector<float> mono;
  for (std::size_t i = 0; i < forms.size(); ++i) {
    SoundForm form = forms[i];
    const bool last = i + 1 == forms.size();
    if (!last && !fits(static_cast<std::size_t>(WavBytes(frames, samples.rate, form.channels, form.rate, form.bits))))
      continue;
    if (form.channels == samples.channels && form.rate == samples.rate) {
      result.wav = EncodeWav(samples.data, form.channels, form.rate, form.bits);
      form.seconds = static_cast<double>(frames) / form.rate;
    } else {
      if (mono.empty()) mono = Mixdown(samples);
      const std::vector<float> resampled = Resample(mono, samples.rate, form.rate);
      result.wav = EncodeWav(resampled, 1, form.rate, form.bits);
      form.seconds = static_cast<double>(resampled.size()) / form.rate;
    }
    // The prediction can be a frame off; the written size decides.
    if (!last && !fits(result.wav.size())) continue;
    if (i > 0) result.fitted = form;
    return result;
  }
  return result;
}

std::string KiloHertz(int rate) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, rate / 1000.0, std::chars_format::general).ptr;
  return std::string(text, end);
}

std::string FittedMessage(const SoundForm& form) {
  char seconds[32];
  const auto end = std::to_chars(seconds, seconds + sizeof seconds, form.seconds, std::chars_format::fixed, 1).ptr;
  std::string text = Replace(msg::kSoundFitted, "%1", form.channels == 1 ? msg::kMono : msg::kStereo);
  text = Replace(text, "%2", KiloHertz(form.rate));
  text = Replace(text, "%3", std::to_string(form.bits));
  return Replace(text, "%4", std::string(seconds, end));
}

}  // namespace korimo::media
