#include "media/CarrierSave.h"

#include "engine/ImageSource.h"
#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "platform/FileIO.h"
#include "platform/Platform.h"

namespace Korimocom {

void SaveImageData(const std::string& path) {
  if (ImageLoaded != 1) {
    korimo::platform::Notify(korimo::msg::kNoImageToSave);
    return;
  }
  // A picture read on demand is completed first.
  try {
    RequireAllImageBytes();
  } catch (const ImageReadFailure&) {
    korimo::platform::Notify(korimo::msg::kCannotSave);
    return;
  }
  if (korimo::fileio::WriteFileAtomically(path, ImageBytes.data(), ImageBytes.size()))
    ImageSaved = 1;
  else
    korimo::platform::Notify(korimo::msg::kCannotSave);
}

}  // namespace Korimocom
