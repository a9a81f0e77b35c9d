// Embedding the loaded sound (and its memo record) into the loaded image.
#pragma once

#include "engine/Korimocom.h"

namespace Korimocom {

// SynthesizeSound would embed into the current ImageBytes: sound file name and
// password within their limits, the header block inside the image.
bool CanSynthesize();
// The same for an image of `imageBytes` bytes in place of ImageBytes (one
// that is about to be rewritten to that length).
bool CanSynthesize(std::size_t imageBytes);

// The sound, the memo length field after it and any memo record lie within
// the part of the sound area that synthesis embeds into the current ImageBytes.
bool SoundAreaInImage();
bool SoundAreaInImage(std::size_t imageBytes);

// Size field, header block and the embedded part of the sound area. On
// refusal OperationFailed = 1 and ImageBytes is unchanged; on success
// ImageSaved = 0.
void SynthesizeSound();

}  // namespace Korimocom
