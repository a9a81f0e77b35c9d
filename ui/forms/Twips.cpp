#include "ui/forms/Twips.h"

#include <cmath>

namespace korimo::ui {

namespace {
constexpr double kTwipsPerPixel = 15.0;
}

int Pixels(int twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

QRect TwipsRect(int left, int top, int width, int height) {
  return QRect(Pixels(left), Pixels(top), Pixels(width), Pixels(height));
}

}  // namespace korimo::ui
