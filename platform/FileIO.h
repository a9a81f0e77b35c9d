// The one file layer of the program: reads that never create a file, whole
// files read at once, writes that replace a target only once the new
// contents are complete on disk, and the exclusive owner-only create of the
// temporary sound file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korimo::fileio {

// The largest input file: the BMP and WAV header fields that describe a
// file's size are 32-bit signed.
inline constexpr std::size_t kMaxInputBytes = 0x7FFFFFFF;

// Opens an existing regular file of at most kMaxInputBytes for reading; never
// creates one and never waits: a FIFO, a device or a directory is refused at
// once (errno EINVAL or EISDIR), and so is a larger file (errno EFBIG), before
// anything is read. -1 on failure; errno ENOENT means there is no such file.
int OpenForRead(const std::string& path);
// Length of an open file, or nullopt.
std::optional<std::size_t> FileLength(int fd);
// Reads up to `size` bytes from the current position, retrying short reads.
// Returns the number read (less at end of file), or -1 on an I/O error.
long long ReadUpTo(int fd, void* buffer, std::size_t size);
// Reads exactly `size` bytes at `offset` without moving the position; false
// on an I/O error or when the file ends first.
bool ReadExactlyAt(int fd, void* buffer, std::size_t size, std::size_t offset);
void Close(int fd);

// Retries short writes and interrupted calls; false on the first real error.
bool WriteAll(int fd, const std::uint8_t* data, std::size_t size);

// A whole input file read through OpenForRead, at most `limit` bytes of it.
struct WholeFile {
  enum class Status { Read, Unreadable, TooLong };
  Status status = Status::Unreadable;
  std::string bytes;  // when Read
};
// A file holding more than `limit` bytes is TooLong, found out without
// reading more than limit + 1 bytes of it.
WholeFile ReadWholeFile(const std::string& path, std::size_t limit);

// Which file a name stands for, and in which state: the same device and
// inode with the same size and modification time is the same, unchanged file.
struct FileIdentity {
  unsigned long long device = 0;
  unsigned long long inode = 0;
  long long size = 0;
  long long modifiedSeconds = 0;
  long long modifiedNanoseconds = 0;
  bool operator==(const FileIdentity&) const = default;
};

// Creates a new file holding exactly these bytes: exclusive create, no
// symbolic link followed, readable and writable by the owner only. False when
// the name exists already or the write fails (a partly written file is
// removed). `written`, when given, receives the new file's identity.
bool CreateExclusive(const std::string& path, const std::uint8_t* data, std::size_t size,
                     FileIdentity* written = nullptr);

// The identity of a regular file, looked at without following a symbolic
// link and without waiting on a FIFO or device; nothing for anything else.
std::optional<FileIdentity> IdentifyRegularFile(const std::string& path);

// Names removed when a signal whose default action ends the process ends it
// (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ, SIGUSR1, a fault, ...:
// files first, then folders, which must be empty by then), until they are
// kept again. Where the program handles or ignores a signal itself, that
// signal is left to it. The pending files below use this.
void RemoveWhenStopped(const std::string& path, bool folder = false);
void KeepWhenStopped(const std::string& path);

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
