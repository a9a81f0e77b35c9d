#include "ui/desktop/FileDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QPointer>
#include <QStringList>

#include "ui/desktop/MessageTranslation.h"

namespace korimo::ui {

QWidget* OwnerWindow() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activeWindow();
}

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

}  // namespace korimo::ui
