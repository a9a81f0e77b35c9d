// The filters of the window's open and save dialogs, in the form
// "Name|pattern|Name|pattern" (translated and turned into Qt's form by the
// file dialogs).
#pragma once

namespace korimo::ui {

inline constexpr char kBmpFilter[] = "BMP画像データ(*.bmp)|*.bmp|すべてのファイル(*.*)|*.*";
inline constexpr char kWavFilter[] = "WAV音声データ(*.wav)|*.wav|すべてのファイル(*.*)|*.*";

}  // namespace korimo::ui
