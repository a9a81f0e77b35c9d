#include "media/SynthesisImage.h"

#include <new>

#include "engine/ImageSource.h"
#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "engine/Synthesis.h"
#include "media/BmpClassic.h"
#include "platform/Platform.h"

namespace Korimocom {

bool PrepareImageForSynthesis() {
  if (!CanSynthesize()) return true;
  // A rewrite reads every pixel: a picture read on demand is brought in
  // whole first (this may throw ImageReadFailure).
  if (!korimo::media::HasClassicLayout(ImageBytes)) RequireAllImageBytes();
  std::optional<ByteArray> classic;
  try {
    classic = korimo::media::ClassicLayoutOf(ImageBytes);
  } catch (const std::bad_alloc&) {
    // No room for a second copy of the picture: it cannot be made ready.
    korimo::platform::Notify(korimo::msg::kSoundDoesNotFit);
    OperationFailed = 1;
    return false;
  }
  if (!classic) return true;

  // The fit is checked against the new picture before it is kept.
  ImageBytes.swap(*classic);
  if (!CanSynthesize() || !SoundAreaInImage()) {
    ImageBytes.swap(*classic);
    korimo::platform::Notify(korimo::msg::kSoundDoesNotFit);
    OperationFailed = 1;
    return false;
  }
  ImageFileSize = static_cast<Long>(ImageBytes.size());
  return true;
}

}  // namespace Korimocom
