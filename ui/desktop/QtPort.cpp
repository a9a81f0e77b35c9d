#include "ui/desktop/QtPort.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLockFile>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QStringList>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <memory>

#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "platform/sdl/SoundService.h"
#include "ui/dialogs/Dialogs.h"

namespace korimo::ui {

namespace {

// The window a box or file dialog belongs to: the innermost modal window,
// else the active one. Without either Qt centres it on the screen.
QWidget* OwnerWindow() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activeWindow();
}

// The Japanese texts translated at display time, listed for lupdate: the
// engine's messages, the status-line pieces and the window's file filters.
[[maybe_unused]] constexpr const char* kMessageTexts[] = {
    QT_TRANSLATE_NOOP("korimo::msg", "このデータは読み込めません。"),
    QT_TRANSLATE_NOOP("korimo::msg", "データがロードできません。"),
    QT_TRANSLATE_NOOP("korimo::msg", "データがセーブできません。"),
    QT_TRANSLATE_NOOP("korimo::msg", "画像データがないためセーブできません。"),
    QT_TRANSLATE_NOOP("korimo::msg", "画像データを先に読み込んでください。"),
    QT_TRANSLATE_NOOP("korimo::msg", "ロード済みの音声データとメモがなくなります。よろしいですか。"),
    QT_TRANSLATE_NOOP("korimo::msg", "音声データファイル名が長すぎます。"),
    QT_TRANSLATE_NOOP("korimo::msg", "音声データが画像データに収まりません。"),
    QT_TRANSLATE_NOOP("korimo::msg", "テンポラリデータがセーブできません。"),
    QT_TRANSLATE_NOOP("korimo::msg", "音声データがないため再生できません。"),
    QT_TRANSLATE_NOOP("korimo::msg", "%1 %2 kHz %3 ビットに変換しました（%4 秒）。"),
    QT_TRANSLATE_NOOP("korimo::msg", "モノラル"),
    QT_TRANSLATE_NOOP("korimo::msg", "ステレオ"),
    QT_TRANSLATE_NOOP("korimo::msg", "テキストファイル名が長すぎます。"),
    QT_TRANSLATE_NOOP("korimo::msg", "メモが長すぎます。"),
    QT_TRANSLATE_NOOP("korimo::msg", "メモに使用できない文字が含まれています。"),
    QT_TRANSLATE_NOOP("korimo::msg", "空きがないため、メモ入力はできません。"),
    QT_TRANSLATE_NOOP("korimo::msg", "パスワードは半角８文字以内で入力してください。"),
    QT_TRANSLATE_NOOP("korimo::msg", "すでに起動済みです"),
    QT_TRANSLATE_NOOP("korimo::msg", "音声合成画像が保存されていません。保存しますか。"),
    QT_TRANSLATE_NOOP("korimo::msg", "すでに合成済みです。"),
    QT_TRANSLATE_NOOP("korimo::msg", "画像データと音声データをロードしてから合成してください。"),
    QT_TRANSLATE_NOOP("korimo::msg", "画像データと音声データをロードしてからメモ入力してください。"),
    QT_TRANSLATE_NOOP("korimo::msg", "音声データをロードしてください。"),
    QT_TRANSLATE_NOOP("korimo::msg", "音声付画像データをロードしてください。"),
    QT_TRANSLATE_NOOP("korimo::msg", "現時点ではｼｽﾃﾑ情報を使用できません"),
    QT_TRANSLATE_NOOP("korimo::msg", "音声なし"),
    QT_TRANSLATE_NOOP("korimo::msg", "音声あり"),
    QT_TRANSLATE_NOOP("korimo::msg", "パスワード付音声あり"),
    QT_TRANSLATE_NOOP("korimo::msg", "合成完了"),
    QT_TRANSLATE_NOOP("korimo::msg", "パスフレーズを入力してください。"),
    QT_TRANSLATE_NOOP("korimo::msg", "パスフレーズは1024バイト以内で入力してください。"),
    QT_TRANSLATE_NOOP("korimo::msg", "パスフレーズに使用できない文字が含まれています。"),
    QT_TRANSLATE_NOOP("korimo::msg", "確認用のパスフレーズが一致しません。"),
    QT_TRANSLATE_NOOP("korimo::msg", "パスフレーズが違うか、暗号化された音声がありません。"),
    QT_TRANSLATE_NOOP("korimo::msg", "BMP画像データ(*.bmp)|*.bmp|すべてのファイル(*.*)|*.*"),
    QT_TRANSLATE_NOOP("korimo::msg", "WAV音声データ(*.wav)|*.wav|すべてのファイル(*.*)|*.*"),
};
constexpr const char* kStatusPieces[] = {
    QT_TRANSLATE_NOOP("korimo::status", "画像データ "),
    QT_TRANSLATE_NOOP("korimo::status", "  音声サイズ "),
    QT_TRANSLATE_NOOP("korimo::status", "  音声合成最大サイズ "),
    QT_TRANSLATE_NOOP("korimo::status", "Bytes"),
};

}  // namespace

QString TranslatedMessage(const std::string& text) {
  const QString original = QString::fromStdString(text);
  const QString whole = QCoreApplication::translate("korimo::msg", text.c_str());
  if (whole != original) return whole;
  QString pieces = original;
  for (const char* piece : kStatusPieces)
    pieces.replace(QString::fromUtf8(piece), QCoreApplication::translate("korimo::status", piece));
  return pieces;
}

Answer QtPort::MessageBox(const std::string& text, Buttons buttons, Icon icon) {
  QMessageBox box(OwnerWindow());
  box.setWindowTitle(QString::fromUtf8(msg::kAppTitle));
  box.setText(TranslatedMessage(text));
  box.setIcon(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon);
  box.setWindowModality(Qt::ApplicationModal);
  if (buttons == Buttons::YesNo) {
    // Yes is the default; there is no Cancel, so Escape and the close box mean No.
    QPushButton* yes = box.addButton(QCoreApplication::translate("QtPort", "はい(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QCoreApplication::translate("QtPort", "いいえ(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes ? Answer::Yes : Answer::No;
  }
  QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.exec();
  return Answer::Ok;
}

std::optional<std::string> QtPort::AskPassword() {
  // The dialog reads and writes the working set, as every form does: it
  // clears OperationFailed only when it accepts an entry into Password.
  Korimocom::DialogOpening = 1;
  ShowPassin();
  if (Korimocom::OperationFailed != 0) return std::nullopt;
  return Korimocom::Password;
}

void QtPort::SetWaitCursor(bool wait) {
  if (wait == waitCursorShown_) return;
  if (wait) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    // Clear every level, in case something else pushed one meanwhile.
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  }
  waitCursorShown_ = wait;
}

void QtPort::DoEvents() { QCoreApplication::processEvents(); }

PlayResult QtPort::PlaySound(const std::string& path) { return sound::PlayWavFile(path); }
PlayResult QtPort::PlaySoundBytes(const std::uint8_t* wav, std::size_t size) { return sound::PlayWavBytes(wav, size); }

// ---- File dialogs -------------------------------------------------------

namespace {

FileDialogHook& DialogHook() {
  static FileDialogHook hook;
  return hook;
}

QString TranslatePattern(const QString& pattern) {
  QStringList out;
  for (const QString& p : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    const QString trimmed = p.trimmed();
    if (trimmed == QLatin1String("*.*") || trimmed == QLatin1String("*")) {
      out << QStringLiteral("*");
      continue;
    }
    out << trimmed;
    const QString upper = trimmed.toUpper();
    if (upper != trimmed) out << upper;
  }
  return out.join(QLatin1Char(' '));
}

std::optional<std::string> RunFileDialog(FileDialogKind kind, QWidget* parent, const std::string& filter,
                                         const std::string& proposed = {}, QCheckBox* extra = nullptr) {
  const QString qtFilter = TranslateFilter(TranslatedMessage(filter).toStdString());
  if (DialogHook()) return DialogHook()(kind, qtFilter);

  QFileDialog dialog(parent ? parent : OwnerWindow());
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  // The list shows the names as written ("BMP画像データ(*.bmp)"), not our patterns.
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  dialog.setNameFilter(qtFilter);
  dialog.setDefaultSuffix(QString());
  dialog.setWindowModality(Qt::ApplicationModal);
  if (kind == FileDialogKind::Open) {
    dialog.setWindowTitle(QCoreApplication::translate("QtPort", "開く"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  } else {
    dialog.setWindowTitle(QCoreApplication::translate("QtPort", "名前を付けて保存"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (!proposed.empty()) dialog.selectFile(QString::fromStdString(proposed));
  }
  // Qt's own dialog lays its parts out in a grid: an extra choice goes below them.
  if (extra) {
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
      extra->setParent(&dialog);
      grid->addWidget(extra, grid->rowCount(), 0, 1, grid->columnCount());
    }
  }
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty() || files.first().isEmpty()) return std::nullopt;
  return files.first().toStdString();
}

}  // namespace

QString TranslateFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    entries << parts[i] + QStringLiteral(" (") + TranslatePattern(parts[i + 1]) + QLatin1Char(')');
  }
  return entries.join(QStringLiteral(";;"));
}

void SetFileDialogHook(FileDialogHook hook) { DialogHook() = std::move(hook); }

std::optional<std::string> GetOpenFilePath(QWidget* parent, const std::string& filter) {
  return RunFileDialog(FileDialogKind::Open, parent, filter);
}

std::optional<std::string> GetSaveFilePath(QWidget* parent, const std::string& filter, const std::string& proposed) {
  return RunFileDialog(FileDialogKind::Save, parent, filter, proposed);
}

std::optional<SoundSaveChoice> GetSoundSavePath(QWidget* parent, const std::string& filter, const std::string& proposed,
                                                bool offerMemo) {
  // The dialog takes the check box over and deletes it when it closes; its
  // state is followed as it changes.
  bool withMemo = offerMemo;
  std::unique_ptr<QCheckBox> memo;
  if (offerMemo) {
    memo = std::make_unique<QCheckBox>(QCoreApplication::translate("QtPort", "メモもテキストファイルとして保存する(&M)"));
    memo->setObjectName(QStringLiteral("saveMemo"));
    memo->setChecked(true);
    QObject::connect(memo.get(), &QCheckBox::toggled, [&withMemo](bool on) { withMemo = on; });
  }
  QPointer<QCheckBox> shown = memo.get();
  const std::optional<std::string> path = RunFileDialog(FileDialogKind::Save, parent, filter, proposed, memo.get());
  if (!shown) (void)memo.release();  // deleted with the dialog
  if (!path) return std::nullopt;
  return SoundSaveChoice{*path, withMemo};
}

// ---- Help viewer --------------------------------------------------------

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

// ---- Single instance ----------------------------------------------------

namespace {

QString LockDirectory() {
  QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (dir.isEmpty() || !QDir().mkpath(dir)) dir = QDir::tempPath();
  return dir;
}

}  // namespace

bool AnotherInstanceRunning() {
  static std::unique_ptr<QLockFile> lock;
  if (lock) return false;  // this process already owns the instance
  auto candidate = std::make_unique<QLockFile>(LockDirectory() + QStringLiteral("/korimo.lock"));
  // Never time a lock out by age: only a lock whose process has died is stale.
  candidate->setStaleLockTime(0);
  if (!candidate->tryLock(0)) {
    // A lock file we cannot create (unwritable directory) is no other instance.
    return candidate->error() == QLockFile::LockFailedError;
  }
  lock = std::move(candidate);
  return false;
}

}  // namespace korimo::ui
