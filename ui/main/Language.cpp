#include "ui/main/Language.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <cstdlib>

namespace korimo::ui {

QString RequestedLanguage() {
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return QString::fromLocal8Bit(value).section(QRegularExpression(QStringLiteral("[_.@:]")), 0, 0);
  }
  return {};
}

std::unique_ptr<QTranslator> InstallTranslation(const QString& appDir) {
  const QString language = RequestedLanguage();
  // The built-in texts are Japanese; "C" and "POSIX" have no file either.
  if (language.isEmpty() || language == QLatin1String("ja")) return nullptr;
  auto translator = std::make_unique<QTranslator>();
  const QString file = QStringLiteral("korimo_") + language;
  for (const QString& dir : {appDir, QDir::cleanPath(appDir + QStringLiteral("../share/korimo"))}) {
    if (translator->load(file, dir) && QCoreApplication::installTranslator(translator.get())) return translator;
  }
  return nullptr;
}

}  // namespace korimo::ui
