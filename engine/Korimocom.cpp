#include "engine/Korimocom.h"

namespace Korimocom {

void ResetWorkData() {
  ImageFileSize = 0;
  ImageBitCount = 0;
  ImageDataSize = 0;
  SoundAreaSize = 0;
  ImageLoaded = 0;
  SoundSize = 0;
  SoundLoaded = 0;
  Synthesized = 0;
  CarrierKind = 0;
  Password.clear();
  SoundPath.clear();
  OperationFailed = 0;
  MemoCapacity = 0;
  MemoFileName.clear();
  MemoText.clear();
  DialogOpening = 0;
  AlreadyRunning = 0;
  ImageSaved = 1;
  SoundBytesRead = 0;
}

}  // namespace Korimocom
