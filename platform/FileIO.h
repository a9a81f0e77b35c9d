// Reading files and telling them apart: reads that never create a file and
// never wait, whole files read at once, the identity of a file, and the
// exclusive owner-only create of the temporary sound file. Replacing a file
// all or nothing is platform/PendingFile.h; cleaning up after a stop signal,
// platform/StopCleanup.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

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

}  // namespace korimo::fileio
