// Whole-file reads and all-or-nothing writes for korimo-cli's own files (the
// extracted WAV, the memo). The carrier BMP is written by SaveImageData.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korimo::cli {

// The whole file, or std::nullopt when it cannot be read (missing, a
// directory, unreadable).
std::optional<std::string> ReadWholeFile(const std::string& path);

// A file written beside its target, not yet in place. Commit() renames it
// over the target; destroying it uncommitted removes it, so a command that
// stops halfway leaves the target as it was.
class PendingFile {
 public:
  PendingFile() = default;
  ~PendingFile();
  PendingFile(PendingFile&& other) noexcept;
  PendingFile& operator=(PendingFile&& other) noexcept;
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Writes `data` to a new file beside `target`. Refuses (returns false,
  // nothing left behind) when the target is a directory or an existing file
  // that may not be written, or when the write fails.
  bool Prepare(const std::string& target, std::string_view data);
  // Moves the prepared file over the target. False when the rename fails.
  bool Commit();

 private:
  void Discard();
  std::string target_;
  std::string temp_;
};

}  // namespace korimo::cli
