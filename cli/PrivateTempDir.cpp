#include "cli/PrivateTempDir.h"

#include <cstdlib>
#include <filesystem>

#include "engine/CarrierLayout.h"
#include "platform/FileIO.h"

namespace korimo::cli {

PrivateTempDir::~PrivateTempDir() { Remove(); }

bool PrivateTempDir::Create() {
  std::error_code ec;
  std::string base = std::filesystem::temp_directory_path(ec).string();
  if (ec || base.empty()) base = "/tmp";
  if (base.back() != '/') base += '/';
  std::string pattern = base + "korimo-cli-XXXXXX";
  if (!mkdtemp(pattern.data())) return false;
  folder_ = pattern;
  path_ = pattern + "/";
  // A signal that ends the command removes the folder and what is in it.
  fileio::RemoveWhenStopped(path_ + layout::kTempFileName);
  fileio::RemoveWhenStopped(folder_, /*folder=*/true);
  return true;
}

void PrivateTempDir::Remove() {
  if (path_.empty()) return;
  fileio::KeepWhenStopped(path_ + layout::kTempFileName);
  fileio::KeepWhenStopped(folder_);
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
  path_.clear();
  folder_.clear();
}

}  // namespace korimo::cli
