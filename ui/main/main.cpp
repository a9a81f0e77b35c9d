// Korimo: hides a WAV recording in bit 0 of a full-colour BMP picture and
// plays it back from there.
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <QTimer>
#include <cstring>

#include "platform/Platform.h"
#include "platform/Version.h"
#include "platform/sdl/SoundService.h"
#include "ui/desktop/QtPort.h"
#include "ui/main/KorimoMain.h"
#include "ui/main/Language.h"
#include "ui/main/StopSignals.h"

namespace {

void SetNames() {
  QCoreApplication::setApplicationName(QStringLiteral("Korimo"));
  QCoreApplication::setApplicationVersion(QString::fromLatin1(korimo::kVersion));
}

void DescribeCommandLine(QCommandLineParser& parser) {
  parser.setApplicationDescription(
      QStringLiteral("Hides a WAV sound inside a 24/32-bit BMP picture and plays it back from there.\n"
                     "PNG, JPEG, WebP, TIFF and GIF pictures and FLAC, Ogg Vorbis, Opus and MP3\n"
                     "sounds are converted on opening. Files given on the command line are opened\n"
                     "at start: the first one that is not a sound file as the picture, then the\n"
                     "first sound file as the sound (a sound file ends in .wav, .flac, .ogg, .oga,\n"
                     "or in .opus or .mp3).\n"
                     "The window is in English when LANGUAGE, LC_ALL, LC_MESSAGES or LANG (the\n"
                     "first that is set) starts with \"en\"."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A picture and/or a sound."),
                               QStringLiteral("[FILE...]"));
}

// --help and --version answer without a window, so they work where there is
// no display (and for help2man at build time).
bool AsksForHelpOrVersion(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) return false;
    for (const char* option : {"-h", "--help", "-?", "-v", "--version"})
      if (std::strcmp(argv[i], option) == 0) return true;
  }
  return false;
}

[[noreturn]] void AnswerHelpOrVersion(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  SetNames();
  QCommandLineParser parser;
  DescribeCommandLine(parser);
  // Qt's own window options may still be on the line: they are no error here.
  parser.parse(app.arguments());
  if (parser.isSet(QStringLiteral("version"))) parser.showVersion();
  parser.showHelp(0);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (AsksForHelpOrVersion(argc, argv)) AnswerHelpOrVersion(argc, argv);

  // QApplication takes the options it understands (-platform, -style, ...)
  // out of the command line first; what is left is ours. It would read them
  // after "--" too, so it sees only what comes before; everything after is a file.
  int qtArgc = argc;
  QStringList filesAfterDashes;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") != 0) continue;
    qtArgc = i;
    for (int j = i + 1; j < argc; ++j) filesAfterDashes << QString::fromLocal8Bit(argv[j]);
    break;
  }
  QApplication app(qtArgc, argv);
  SetNames();
  QCommandLineParser parser;
  DescribeCommandLine(parser);
  parser.process(app);
  // Ties the window to its installed desktop entry (its icon and name on Wayland).
  QGuiApplication::setDesktopFileName(QStringLiteral("org.korimo.Korimo"));
  korimo::ui::SetUpApplication();
  // English (or another translated language) when the environment asks for it.
  const auto translation = korimo::ui::InstallTranslation(QCoreApplication::applicationDirPath() + QLatin1Char('/'));
  // Qt's own dialogs in the window's language: Japanese, unless a translation
  // put the window into another language (Qt's own texts are English).
  korimo::ui::InstallQtTranslations(translation ? QLocale(korimo::ui::RequestedLanguage())
                                                : QLocale(QLocale::Japanese, QLocale::Japan));

  korimo::ui::QtPort port;
  korimo::platform::SetCurrent(&port);

  int status = 0;
  {
    korimo::ui::KorimoMain window;
    if (window.Form_Load()) {
      korimo::ui::EndOnStopSignals(window);
      window.show();
      // The files open once the event loop runs, so that their messages and
      // the password dialog have the shown window as their owner.
      const QStringList files = parser.positionalArguments() + filesAfterDashes;
      if (!files.isEmpty())
        QTimer::singleShot(0, &window, [&window, files] { window.OpenStartupFiles(files); });
      status = app.exec();
    }
  }
  korimo::sound::Shutdown();
  korimo::platform::SetCurrent(nullptr);
  return status;
}
