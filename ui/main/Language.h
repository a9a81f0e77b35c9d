// The window's language. It is built in Japanese; a translation file
// korimo_<code>.qm beside the program (or in ../share/korimo) puts it into
// another language, the one the user's environment asks for.
#pragma once

#include <QString>
#include <QTranslator>
#include <memory>

namespace korimo::ui {

// The language code the user asks for: from the first of LANGUAGE, LC_ALL,
// LC_MESSAGES and LANG that is set, the part before "_", ".", "@" or ":"
// ("en" for "en_US.UTF-8", "en" for "en:ja"); empty when none is set.
QString RequestedLanguage();

// The window's translation for the requested language, loaded from `appDir`
// (ending in "/") or ../share/korimo beside it, and installed. Nothing when
// there is none, which leaves every text as built: Japanese (also for C and
// POSIX). Keep it alive as long as the window lives.
std::unique_ptr<QTranslator> InstallTranslation(const QString& appDir);

}  // namespace korimo::ui
