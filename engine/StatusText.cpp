#include "engine/StatusText.h"

#include <cstdio>
#include <string>

#include "engine/Messages.h"

namespace korimo::status {

using namespace Korimocom;

namespace {

// "画像データ " + ImageDataSize + "Bytes"
std::string ImagePrefix() { return "画像データ " + std::to_string(ImageDataSize) + "Bytes"; }

// The figure of FreeSpace(), written exactly (93, 93.5, -19.5).
std::string FormatCapacity(double value) {
  // The figure is a multiple of 1/8: three decimals are exact; drop trailing zeros.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3f", value);
  std::string s = buf;
  s.erase(s.find_last_not_of('0') + 1);
  if (!s.empty() && s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

}  // namespace

std::string SoundSizeStatus() {
  return ImagePrefix() + "  音声サイズ " + std::to_string(SoundSize) + "Bytes";
}

std::string FreeSpace() {
  return ImagePrefix() + "  音声合成最大サイズ " + FormatCapacity(ImageDataSize / 8.0 - 32) + "Bytes";
}

std::string SoundStateWord(Integer synthesized) {
  if (synthesized == 2) return msg::kHasLockedSound;
  if (synthesized == 1) return msg::kHasSound;
  return msg::kNoSound;
}

std::string StatusFor(Integer synthesized) {
  if (synthesized == 2) return ImagePrefix();
  if (synthesized == 1) return SoundSizeStatus();
  return FreeSpace();
}

}  // namespace korimo::status
