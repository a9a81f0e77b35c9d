// Answers the real modal windows of a test the way a user would: a polling
// timer finds the active modal widget, checks that the next scripted step
// fits it, and runs the step (read the text, type, click) from a queued call
// so that a step whose click opens another modal window does not block the
// polling. A modal window nobody scripted is recorded and closed, so that a
// test fails instead of hanging. The window tests and the dialog tests both
// drive their modal windows with it.
#pragma once

#include <QElapsedTimer>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <set>
#include <vector>

class QWidget;

namespace korimo::test {

// One message box as the user saw it.
struct SeenBox {
  QString title;
  QString text;
  QMessageBox::Icon icon;
  QStringList buttons;
};

class ModalDriver : public QObject {
 public:
  explicit ModalDriver(QObject* parent = nullptr);
  ~ModalDriver() override;

  // A message box with this text: recorded, then the button whose text
  // contains `button` ("OK", "はい", "いいえ") is clicked.
  ModalDriver& Box(const QString& text, const QString& button = QStringLiteral("OK"));
  // Any modal dialog named `objectName` (Passin, Memoin, ...): once its
  // one-time set-up has run, `action` gets it.
  ModalDriver& Dialog(const QString& objectName, std::function<void(QWidget*)> action);

  // Any modal window `fits` accepts; `action` gets it.
  ModalDriver& Custom(std::function<bool(QWidget*)> fits, std::function<void(QWidget*)> action);

  // Password dialog: type `password`, press OK.
  ModalDriver& Password(const QString& password);
  // Password dialog: close it with the title-bar button.
  ModalDriver& ClosePassword();
  // Memo entry: replace the text, press OK.
  ModalDriver& Memo(const QString& text);
  // Memo display: hand its text to `shown`, press OK.
  ModalDriver& ReadMemo(QString* shown);

  // Any dialog that is not a message box, once its one-time set-up has run.
  ModalDriver& AnyDialog(std::function<void(QWidget*)> action);

  // Message boxes nobody scripted are recorded in `boxes` and closed with
  // their default button, as a user who only reads them would.
  ModalDriver& AnswerEveryBox();
  // Leaves message boxes to another driver: this one drives dialogs only.
  ModalDriver& LeaveBoxesAlone();
  // Leaves dialogs nobody scripted to the test (they close themselves or are
  // driven by another driver) until `ms` have passed; then one still open is
  // recorded as unexpected and closed.
  ModalDriver& LeaveUnscriptedDialogs(int ms);

  // Waits (running events) until every step was used, at most `ms`.
  bool WaitDone(int ms = 5000);
  bool Done() const { return steps_.empty(); }

  std::vector<SeenBox> boxes;       // every message box answered
  QStringList unexpected;           // modal windows nobody scripted
  QStringList BoxTexts() const;

 private:
  struct Step {
    std::function<bool(QWidget*)> fits;
    std::function<void(QWidget*)> act;
  };
  void Tick();

  void Record(QMessageBox* box);

  QTimer timer_;
  QElapsedTimer clock_;
  bool answerEveryBox_ = false;
  bool leaveBoxesAlone_ = false;
  int unscriptedDialogsAfterMs_ = 0;  // 0: closed at once
  std::deque<Step> steps_;
  std::set<QWidget*> busy_;  // widgets whose step is still running
};

}  // namespace korimo::test
