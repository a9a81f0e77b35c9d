#include "engine/Playback.h"

#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "platform/Platform.h"

namespace Korimocom {

void PlaySoundData() {
  using korimo::platform::PlayResult;
  // A file the service cannot play is not reported (the play commands check
  // for the file themselves); only a missing sound service is.
  if (korimo::platform::Current().PlaySound(SoundPath) == PlayResult::ServiceUnavailable)
    korimo::platform::Notify(korimo::msg::kCannotPlay);
}

}  // namespace Korimocom
