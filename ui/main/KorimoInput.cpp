// The main window's keyboard and drag-and-drop handling.
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

#include "commands/Commands.h"
#include "ui/forms/KeyCodes.h"
#include "ui/main/KorimoMain.h"

namespace korimo::ui {

using commands::IgnoringErrors;

// ---- Keyboard ---------------------------------------------------------------

void KorimoMain::Form_KeyDown(int& keyCode, int /*shift*/) { keyCode = 0; }
void KorimoMain::Form_KeyPress(int& keyAscii) { keyAscii = 0; }

// The three fields are display-only: the caret and the selection may move
// with the arrow and page keys, nothing else gets through.
void KorimoMain::FilterTextKeyDown(int& keyCode) {
  if (!IsCaretMovementKey(keyCode)) keyCode = 0;
}

void KorimoMain::Text1_KeyDown(int& keyCode, int /*shift*/) { FilterTextKeyDown(keyCode); }
void KorimoMain::Text2_KeyDown(int& keyCode, int /*shift*/) { FilterTextKeyDown(keyCode); }
void KorimoMain::Text3_KeyDown(int& keyCode, int /*shift*/) { FilterTextKeyDown(keyCode); }
void KorimoMain::Text1_KeyPress(int& keyAscii) { keyAscii = 0; }
void KorimoMain::Text2_KeyPress(int& keyAscii) { keyAscii = 0; }
void KorimoMain::Text3_KeyPress(int& keyAscii) { keyAscii = 0; }

void KorimoMain::keyPressEvent(QKeyEvent* event) {
  // Keys that reach the window itself (no control took them) are discarded.
  int keyCode = VirtualKeyOf(*event);
  Form_KeyDown(keyCode, ShiftStateOf(*event));
  int keyAscii = KeyCharOf(*event);
  if (keyAscii != 0) Form_KeyPress(keyAscii);
  if (keyCode == 0 && keyAscii == 0) {
    event->accept();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

bool KorimoMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Image2) return HandlePictureDrag(event);
  return QMainWindow::eventFilter(watched, event);
}

// ---- Drag and drop ------------------------------------------------------------

namespace {

// The local files of a text/uri-list, in the order the source lists them.
QStringList DroppedFiles(const QMimeData* data) {
  QStringList files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile() && !url.toLocalFile().isEmpty()) files << url.toLocalFile();
  }
  return files;
}

}  // namespace

void KorimoMain::Image2_OLEDragOver(int& effect) {
  effect &= 1;  // copy only: a move or link is never offered
}

bool KorimoMain::HandlePictureDrag(QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      int effect = (drag->possibleActions() & Qt::CopyAction) ? 1 : 0;
      Image2_OLEDragOver(effect);
      // A drag that carries no file is refused here already.
      if (effect == 0 || DroppedFiles(drag->mimeData()).isEmpty()) {
        drag->ignore();
      } else {
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
      }
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const QStringList files = DroppedFiles(drop->mimeData());
      if (!(drop->possibleActions() & Qt::CopyAction) || files.isEmpty()) {
        drop->ignore();
        return true;
      }
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      Image2_OLEDragDrop(files);
      return true;
    }
    default:
      return false;
  }
}

void KorimoMain::Image2_OLEDragDrop(const QStringList& files) {
  IgnoringErrors([this] {
    activateWindow();
    raise();
  });
  AskToSaveUnsaved();
  if (files.isEmpty()) return;
  OpenImageFile(files.first().toStdString());
}

}  // namespace korimo::ui
