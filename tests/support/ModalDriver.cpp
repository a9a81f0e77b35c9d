#include "tests/support/ModalDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "engine/Korimocom.h"

namespace korimo::test {

namespace {

QPushButton* ButtonNamed(QWidget* window, const QString& text) {
  for (QPushButton* button : window->findChildren<QPushButton*>()) {
    if (button->isVisible() && button->text().contains(text)) return button;
  }
  return nullptr;
}

void Click(QWidget* window, const QString& text) {
  if (QPushButton* button = ButtonNamed(window, text)) {
    QTest::mouseClick(button, Qt::LeftButton);
  } else if (auto* dialog = qobject_cast<QDialog*>(window)) {
    dialog->reject();
  }
}

}  // namespace

ModalDriver::ModalDriver(QObject* parent) : QObject(parent) {
  clock_.start();
  timer_.setInterval(10);
  connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
  timer_.start();
}

ModalDriver::~ModalDriver() { timer_.stop(); }

QStringList ModalDriver::BoxTexts() const {
  QStringList texts;
  for (const SeenBox& box : boxes) texts << box.text;
  return texts;
}

void ModalDriver::Record(QMessageBox* box) {
  SeenBox seen{box->windowTitle(), box->text(), box->icon(), {}};
  for (QAbstractButton* b : box->buttons()) seen.buttons << b->text();
  boxes.push_back(seen);
}

ModalDriver& ModalDriver::Box(const QString& text, const QString& button) {
  steps_.push_back(
      {[](QWidget* w) { return qobject_cast<QMessageBox*>(w) != nullptr; },
       [this, text, button](QWidget* w) {
         auto* box = static_cast<QMessageBox*>(w);
         Record(box);
         if (box->text() != text) unexpected << QStringLiteral("box \"%1\" instead of \"%2\"").arg(box->text(), text);
         Click(box, button);
       }});
  return *this;
}

ModalDriver& ModalDriver::AnyDialog(std::function<void(QWidget*)> action) {
  steps_.push_back({[](QWidget* w) {
                      return qobject_cast<QMessageBox*>(w) == nullptr && Korimocom::DialogOpening == 0;
                    },
                    std::move(action)});
  return *this;
}

ModalDriver& ModalDriver::AnswerEveryBox() {
  answerEveryBox_ = true;
  return *this;
}

ModalDriver& ModalDriver::LeaveBoxesAlone() {
  leaveBoxesAlone_ = true;
  return *this;
}

ModalDriver& ModalDriver::LeaveUnscriptedDialogs(int ms) {
  unscriptedDialogsAfterMs_ = ms;
  return *this;
}

ModalDriver& ModalDriver::Dialog(const QString& objectName, std::function<void(QWidget*)> action) {
  steps_.push_back({[objectName](QWidget* w) {
                      // Wait for the dialog's one-time set-up on activation.
                      return w->objectName() == objectName && Korimocom::DialogOpening == 0;
                    },
                    std::move(action)});
  return *this;
}

ModalDriver& ModalDriver::Custom(std::function<bool(QWidget*)> fits,
                                 std::function<void(QWidget*)> action) {
  steps_.push_back({std::move(fits), std::move(action)});
  return *this;
}

ModalDriver& ModalDriver::Password(const QString& password) {
  return Dialog(QStringLiteral("Passin"), [password](QWidget* w) {
    auto* field = w->findChild<QLineEdit*>(QStringLiteral("Text1"));
    field->setFocus();
    QTest::keyClicks(field, password);
    Click(w, QStringLiteral("OK"));
  });
}

ModalDriver& ModalDriver::ClosePassword() {
  return Dialog(QStringLiteral("Passin"), [](QWidget* w) { w->close(); });
}

ModalDriver& ModalDriver::Memo(const QString& text) {
  return Dialog(QStringLiteral("Memoin"), [text](QWidget* w) {
    auto* box = w->findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
    box->setPlainText(text);
    Click(w, QStringLiteral("OK"));
  });
}

ModalDriver& ModalDriver::ReadMemo(QString* shown) {
  return Dialog(QStringLiteral("Memoout"), [shown](QWidget* w) {
    *shown = w->findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->toPlainText();
    Click(w, QStringLiteral("OK"));
  });
}

bool ModalDriver::WaitDone(int ms) {
  QDeadlineTimer deadline(ms);
  while (!steps_.empty() && !deadline.hasExpired()) QTest::qWait(10);
  return steps_.empty();
}

void ModalDriver::Tick() {
  QWidget* w = QApplication::activeModalWidget();
  if (!w || !w->isVisible() || busy_.count(w)) return;
  auto* box = qobject_cast<QMessageBox*>(w);
  if (box && leaveBoxesAlone_) return;
  if (steps_.empty() || !steps_.front().fits(w)) {
    // Give a scripted dialog time for its set-up; anything else is a surprise.
    const bool waitingForSetUp = !steps_.empty() && !box && Korimocom::DialogOpening != 0;
    if (waitingForSetUp) return;
    if (box && answerEveryBox_) {
      Record(box);
      busy_.insert(w);
      QMetaObject::invokeMethod(this, [this, box] {
        if (QAbstractButton* button = box->defaultButton()) button->click();
        else box->accept();
        busy_.erase(box);
      }, Qt::QueuedConnection);
      return;
    }
    if (!box && unscriptedDialogsAfterMs_ > 0 && clock_.elapsed() < unscriptedDialogsAfterMs_) return;
    unexpected << (box ? QStringLiteral("box \"%1\"").arg(box->text())
                       : QStringLiteral("window %1").arg(w->objectName()));
    busy_.insert(w);
    QMetaObject::invokeMethod(this, [this, w] {
      if (auto* box = qobject_cast<QMessageBox*>(w)) {
        Click(box, box->buttons().isEmpty() ? QString() : box->buttons().last()->text());
      } else {
        w->close();
      }
      busy_.erase(w);
    }, Qt::QueuedConnection);
    return;
  }
  Step step = std::move(steps_.front());
  steps_.pop_front();
  busy_.insert(w);
  QMetaObject::invokeMethod(this, [this, w, act = std::move(step.act)] {
    act(w);
    busy_.erase(w);
  }, Qt::QueuedConnection);
}

}  // namespace korimo::test
