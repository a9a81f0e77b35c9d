#include "ui/desktop/SingleInstance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>
#include <memory>

namespace korimo::ui {

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
