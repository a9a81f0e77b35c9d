#include "ui/desktop/HelpViewer.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace korimo::ui {

namespace {

QPointer<QWidget>& HelpWindowRef() {
  static QPointer<QWidget> window;
  return window;
}

QWidget* MakeHelpWindow() {
  auto* window = new QWidget(nullptr, Qt::Window);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setAttribute(Qt::WA_QuitOnClose, false);  // the main window decides when we end
  window->setObjectName(QStringLiteral("KorimoHelp"));
  window->setWindowTitle(QCoreApplication::translate("QtPort", "Korimoヘルプ"));
  window->resize(560, 480);
  auto* layout = new QVBoxLayout(window);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* browser = new QTextBrowser(window);
  browser->setObjectName(QStringLiteral("helpText"));
  browser->setOpenExternalLinks(false);
  layout->addWidget(browser);
  return window;
}

}  // namespace

void ShowHelpContents(const std::string& helpFile) {
  QPointer<QWidget>& window = HelpWindowRef();
  if (!window) window = MakeHelpWindow();
  auto* browser = window->findChild<QTextBrowser*>(QStringLiteral("helpText"));

  const QString path = QString::fromStdString(helpFile);
  QFile file(path);
  if (file.open(QIODevice::ReadOnly)) {
    browser->setSearchPaths({QFileInfo(path).absolutePath()});
    browser->setHtml(QString::fromUtf8(file.readAll()));
  } else {
    browser->setHtml(QCoreApplication::translate("QtPort", "<h3>ヘルプファイルを開けません</h3><p>%1</p>")
                         .arg(path.toHtmlEscaped()));
  }
  // Open at the contents: the top of the file.
  browser->moveCursor(QTextCursor::Start);
  browser->ensureCursorVisible();
  window->show();
  window->raise();
  window->activateWindow();
}

void QuitHelp() {
  QPointer<QWidget>& window = HelpWindowRef();
  if (window) {
    window->close();  // deletes itself
    window = nullptr;
  }
}

QWidget* HelpWindow() { return HelpWindowRef().data(); }

}  // namespace korimo::ui
