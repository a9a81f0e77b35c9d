// The all-or-nothing replacement of a file: the new contents are written
// beside the target and renamed over it only once they are complete on disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korimo::fileio {

// The folder a path names a file in: "." for a bare name, "/" at the root.
std::string DirectoryOf(const std::string& path);

// Bytes handed over in parts, in order: a producer calls `write` for each part
// and returns false when it cannot give them all (or when `write` fails).
// It may be run again, and must then give the same bytes.
using PartWriter = std::function<bool(const std::uint8_t* data, std::size_t size)>;
using Producer = std::function<bool(const PartWriter& write)>;

// A new file written beside its target, not yet in place. Commit() moves it
// over the target; destroying it uncommitted removes it, so a command that
// stops halfway leaves the target as it was. Several pending files let a
// command put all of its outputs in place only once every one was written.
//
// The new file is made without a name where the file system allows it and
// linked in only by Commit(), so a process killed meanwhile leaves nothing
// behind; a named one is removed by every signal that ends the process except
// SIGKILL. When no file
// can be made in the target's folder (the folder is not writable) but the
// existing target is, Commit() writes the target in place instead, from a
// copy of the bytes taken by Prepare(), which also reserves the disk space,
// so that every refusal but an I/O error comes before a commit. Stop signals
// wait for the in-place write to end; SIGKILL and power loss cannot, and can
// leave such a target half written.
class PendingFile {
 public:
  PendingFile() = default;
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Writes the bytes (synced to disk) to a new file beside `target`, with the
  // old target's permission bits, owner and group where the process may set
  // them. Refuses an existing target that is read-only (no write bit set) or
  // not a regular file, and a dangling symbolic link; a symbolic link to an
  // existing file is followed to it.
  bool Prepare(const std::string& target, const std::uint8_t* data, std::size_t size);
  // The same for `size` bytes that `produce` hands over in parts, so that
  // they never need to be in memory at once. A producer that fails, or gives
  // other than `size` bytes, leaves no file and the target as it was. (Where
  // only the in-place write is possible, the bytes are gathered in memory
  // first, so that a failing producer cannot leave the target half written.)
  bool Prepare(const std::string& target, std::size_t size, const Producer& produce);
  // Moves the prepared file over the target and syncs the folder, so that the
  // new name survives a crash.
  bool Commit();

 private:
  void Discard();
  bool PrepareInPlace(std::size_t oldSize, std::size_t size, const Producer& produce);
  bool CommitInPlace();
  std::string target_;
  std::string folder_;
  int fd_ = -1;           // the unnamed new file, or the target written in place
  std::string named_;     // the new file's name while it has one
  bool inPlace_ = false;
  std::optional<std::size_t> extendedFrom_;  // the in-place target's length before a reservation lengthened it
  std::vector<std::uint8_t> gathered_;  // the bytes for the in-place write
};

// Writes `size` bytes to `path` through a pending file, so the target ends up
// holding exactly these bytes or, on failure, its old contents (except when
// only an in-place write was possible, see PendingFile). The same refusals as
// PendingFile::Prepare.
bool WriteFileAtomically(const std::string& path, const std::uint8_t* data, std::size_t size);
bool WriteFileAtomically(const std::string& path, std::size_t size, const Producer& produce);

}  // namespace korimo::fileio
