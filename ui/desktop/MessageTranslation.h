// The engine's messages, status texts and file filters in the window's
// language, translated at display time (the engine keeps its Japanese texts).
#pragma once

#include <string>

#include <QString>

namespace korimo::ui {

// A text the engine, the status line or a file filter gives in Japanese, in
// the window's language: looked up whole in the "korimo::msg" context, and
// a status line piece by piece in "korimo::status". Untranslated texts stay
// as they are.
QString TranslatedMessage(const std::string& text);

}  // namespace korimo::ui
