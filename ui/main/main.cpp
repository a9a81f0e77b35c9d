// Korimo: hides a WAV recording in bit 0 of a full-colour BMP picture and
// plays it back from there.
#include <QApplication>

#include "platform/Platform.h"
#include "platform/qt/QtPlatform.h"
#include "platform/sdl/SoundService.h"
#include "ui/main/KorimoMain.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Korimo"));
  korimo::ui::SetUpApplication();

  korimo::platform::QtPlatform platform;
  korimo::platform::SetCurrent(&platform);

  int status = 0;
  {
    korimo::ui::KorimoMain window;
    if (window.Form_Load()) {
      window.show();
      status = app.exec();
    }
  }
  korimo::sound::Shutdown();
  korimo::platform::SetCurrent(nullptr);
  return status;
}
