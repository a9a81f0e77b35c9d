// Raw whole-file access for the media procedures: reads that never create a
// file, and writes that replace a target only once the new contents are
// complete on disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace korimo::fileio {

// Opens an existing file for reading; never creates one. -1 on failure.
int OpenForRead(const std::string& path);
// Length of an open file, or nullopt.
std::optional<std::size_t> FileLength(int fd);
// Reads up to `size` bytes from the current position, retrying short reads.
// Returns the number read (less at end of file), or -1 on an I/O error.
long long ReadUpTo(int fd, void* buffer, std::size_t size);
void Close(int fd);

// A new file written beside its target, not yet in place. Commit() renames
// it over the target; destroying it uncommitted removes it, so a command that
// stops halfway leaves the target as it was. Several pending files let a
// command put all of its outputs in place only once every one was written.
class PendingFile {
 public:
  PendingFile() = default;
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Writes the bytes (synced to disk) to a new file beside `target`. Refuses
  // an existing target that is read-only (no write bit set) or not a regular
  // file; a symbolic link is followed to its target.
  bool Prepare(const std::string& target, const std::uint8_t* data, std::size_t size);
  // Moves the prepared file over the target.
  bool Commit();

 private:
  void Discard();
  std::string target_;
  std::string temp_;
};

// Writes `size` bytes to `path` through a temporary file beside it and a
// rename, so the target ends up holding exactly these bytes or, on failure,
// its old contents. An existing target that is read-only (no write bit set)
// or not a regular file is refused. A symbolic link is followed to its target.
bool WriteFileAtomically(const std::string& path, const std::uint8_t* data, std::size_t size);

}  // namespace korimo::fileio
