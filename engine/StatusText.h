// The status-line texts and sound-state words of the main window, built from
// the working set.
#pragma once

#include <string>

#include "engine/Korimocom.h"

namespace korimo::status {

// ... + "  音声サイズ " + SoundSize + "Bytes"
std::string SoundSizeStatus();
// ... + "  音声合成最大サイズ " + (ImageDataSize / 8 - 32) + "Bytes"
std::string FreeSpace();
// "パスワード付音声あり" (2), "音声あり" (1), "音声なし" (other).
std::string SoundStateWord(Korimocom::Integer synthesized);
// The status line that goes with a sound state after an image was examined.
std::string StatusFor(Korimocom::Integer synthesized);

}  // namespace korimo::status
