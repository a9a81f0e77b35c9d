#include "media/SynthesisImage.h"

#include <string>

#include "engine/ImageSource.h"
#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "engine/Synthesis.h"
#include "media/BmpClassic.h"
#include "platform/Platform.h"

namespace Korimocom {

namespace {

bool Refuse(const char* message, const std::string& reason = {}) {
  korimo::platform::Notify(message, reason);
  OperationFailed = 1;
  return false;
}

}  // namespace

bool PrepareImageForSynthesis() {
  namespace media = korimo::media;
  if (!CanSynthesize()) return true;
  // The plan comes from the headers alone.
  RequireImageBytes(0, media::kBmpPlanBytes);
  const media::ClassicPlan plan = media::PlanClassicLayout(ImageBytes, ImageBytes.size());
  switch (plan.verdict) {
    case media::ClassicPlan::Verdict::Classic: return true;
    case media::ClassicPlan::Verdict::Refused: return Refuse(korimo::msg::kCannotRead, plan.refusal);
    case media::ClassicPlan::Verdict::Rewrite: break;
  }
  // The fit is checked against the rewritten length before anything changes.
  if (!CanSynthesize(plan.size) || !SoundAreaInImage(plan.size)) return Refuse(korimo::msg::kSoundDoesNotFit);

  // A rewrite reads every pixel: a picture read on demand is brought in
  // whole first (this may throw ImageReadFailure), into the memory it has.
  RequireAllImageBytes();
  media::RewriteInClassicLayout(ImageBytes, plan);
  ImageFileSize = static_cast<Long>(ImageBytes.size());
  return true;
}

}  // namespace Korimocom
