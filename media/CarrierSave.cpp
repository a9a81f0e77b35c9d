#include "media/CarrierSave.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "engine/ImageSource.h"
#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "platform/PendingFile.h"
#include "platform/Platform.h"

namespace Korimocom {

namespace {

// Why `path` could not be written, `error` being the errno of the failure:
// most often its folder takes no new file, so that is named.
std::string SaveFailureReason(const std::string& path, int error) {
  const std::string folder = korimo::fileio::DirectoryOf(path);
  if (::access(folder.c_str(), W_OK | X_OK) != 0)
    return "the folder " + folder + " cannot be written: " + std::strerror(errno);
  return error != 0 ? std::string(std::strerror(error)) : std::string("the file cannot be written");
}

}  // namespace

bool SaveImageData(const std::string& path) {
  if (ImageLoaded != 1) {
    korimo::platform::Notify(korimo::msg::kNoImageToSave);
    return false;
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
  if (!korimo::fileio::WriteFileAtomically(path, ImageBytes.size(), picture)) {
    korimo::platform::Notify(korimo::msg::kCannotSave, SaveFailureReason(path, errno));
    return false;
  }
  ImageSaved = 1;
  return true;
}

}  // namespace Korimocom
