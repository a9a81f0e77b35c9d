// Getting the loaded picture ready to carry a sound.
#pragma once

namespace Korimocom {

// Run by the synthesize command after the password dialog, right before
// SynthesizeSound. A picture whose pixels do not start at offset 54 or are not
// plain blue-green-red bytes would have header fields and masks changed by the
// embedding: ImageBytes is rewritten in place into the classic layout first
// (same picture, same data-size field), and ImageFileSize follows the new
// length. Returns false with OperationFailed = 1 and the working set unchanged
// when
//   - such a picture cannot be rewritten (unknown header, compressed pixels,
//     masks with gaps, no usable width or height, pixels outside the file):
//     "このデータは読み込めません。", with the reason;
//   - the sound and its memo would no longer fit the rewritten picture:
//     "音声データが画像データに収まりません。".
// A synthesis that SynthesizeSound will refuse anyway is left to it, with
// ImageBytes untouched.
bool PrepareImageForSynthesis();

}  // namespace Korimocom
