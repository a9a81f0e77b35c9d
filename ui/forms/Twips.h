// The forms are laid out in twips, as they were designed: a twip is 1/1440
// inch, and 15 twips make one pixel at 96 dpi.
#pragma once

#include <QRect>

namespace korimo::ui {

int Pixels(int twips);
QRect TwipsRect(int left, int top, int width, int height);

}  // namespace korimo::ui
