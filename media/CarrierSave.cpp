#include "media/CarrierSave.h"

#include "engine/ImageSource.h"
#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "platform/PendingFile.h"
#include "platform/Platform.h"

namespace Korimocom {

void SaveImageData(const std::string& path) {
  if (ImageLoaded != 1) {
    korimo::platform::Notify(korimo::msg::kNoImageToSave);
    return;
  }
  // A picture read on demand goes out part by part, the parts not in memory
  // straight from its file; one that cannot be read any more is not saved.
  const korimo::fileio::Producer picture = [](const korimo::fileio::PartWriter& write) {
    try {
      return WriteImageBytes(write);
    } catch (const ImageReadFailure&) {
      return false;
    }
  };
  if (korimo::fileio::WriteFileAtomically(path, ImageBytes.size(), picture))
    ImageSaved = 1;
  else
    korimo::platform::Notify(korimo::msg::kCannotSave);
}

}  // namespace Korimocom
