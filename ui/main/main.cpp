// Korimo: hides a WAV recording in bit 0 of a full-colour BMP picture and
// plays it back from there.
#include <QApplication>

#include "platform/Platform.h"
#include "platform/sdl/SoundService.h"
#include "ui/desktop/QtPort.h"
#include "ui/main/KorimoMain.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Korimo"));
  korimo::ui::SetUpApplication();

  korimo::ui::QtPort port;
  korimo::platform::SetCurrent(&port);

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
