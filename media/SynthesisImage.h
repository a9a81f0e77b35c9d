// Getting the loaded picture ready to carry a sound.
#pragma once

namespace Korimocom {

// Run by the synthesize command after the password dialog, right before
// SynthesizeSound. A picture whose pixels do not start at offset 54 or are not
// plain blue-green-red bytes would have header fields and masks changed by the
// embedding: ImageBytes is rewritten into the classic layout first (same
// picture, same data-size field), and ImageFileSize follows the new length.
// When the sound and its memo no longer fit the rewritten picture, shows
// "音声データが画像データに収まりません。", sets OperationFailed = 1 and returns
// false with the working set unchanged. A synthesis that SynthesizeSound will
// refuse anyway is left to it, with ImageBytes untouched.
bool PrepareImageForSynthesis();

}  // namespace Korimocom
