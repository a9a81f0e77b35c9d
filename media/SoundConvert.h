// Sounds in formats other than the WAV the sound service plays (FLAC, Ogg
// Vorbis, Opus, MP3, and WAV encodings such as GSM): decoded with libsndfile
// and written out in memory as a 16-bit PCM WAV at the sound's own rate and
// channels, which is then loaded like any WAV file. A sound that does not fit
// the picture can be made smaller in steps: mono, then 22050, 16000, 11025
// and 8000 Hz (libsamplerate), then 8-bit samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace korimo::media {

// Which sounds are made smaller when they do not fit.
enum class SoundFitting {
  Converted,  // only converted sounds; a WAV the service plays keeps its refusal
  Any,        // every sound, WAV files included
};

// The form of a WAV made to fit, and its length.
struct SoundForm {
  int channels = 0;
  int rate = 0;
  int bits = 0;
  double seconds = 0;
};

struct ConvertedSound {
  std::vector<std::uint8_t> wav;   // the whole WAV file
  std::string name;                // the original's file name with ".wav"
  std::optional<SoundForm> fitted;  // set when the sound was made smaller
};

// A sound libsndfile opened but could not decode to its end.
class SoundUnreadable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Whether a WAV of `bytes` bytes fits where it is going.
using FitCheck = std::function<bool(std::size_t bytes)>;

// The sound at `path` as a converted WAV, or nothing when the file is to be
// read as a WAV file as it is: a RIFF WAVE the sound service plays (unless
// `fitting` is Any and it does not fit), or a file libsndfile cannot read,
// which the WAV loader then refuses with its own message. When no form fits,
// a stand-in of the smallest one's size is returned (and is then refused as
// too large). Throws SoundUnreadable for a file damaged part way and
// std::bad_alloc when memory runs out.
std::optional<ConvertedSound> ConvertSound(const std::string& path, SoundFitting fitting, const FitCheck& fits);

// The name a converted sound is stored under: the file's name with ".wav".
std::string WavNameFor(const std::string& path);

// "モノラル 16 kHz 16 ビットに変換しました（12.3 秒）。" for the form; the
// window builds the same sentence through its translations.
std::string FittedMessage(const SoundForm& form);
// The rate in kHz as written in that message: "44.1", "22.05", "8".
std::string KiloHertz(int rate);

}  // namespace korimo::media
