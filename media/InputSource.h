// Where a loader's bytes come from: a file by path, opened once and read from
// its start again for the whole read, so that the header and the rest come
// from the same file whatever happens to the path meanwhile; or bytes already
// in memory (the fuzzers, and callers that hold the file already).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace korimo::media {

class InputSource {
 public:
  enum class Opened { Ok, Missing, Failed };

  virtual ~InputSource() = default;
  // Opens the input at its start. Missing: no such file; nothing is ever
  // created.
  virtual Opened Open() = 0;
  // Back to the start of the open input; false when it cannot go there.
  virtual bool Rewind() = 0;
  // Length of the open input; nothing when it is not a regular file.
  virtual std::optional<std::size_t> Length() = 0;
  // Up to `size` bytes from the current position: the number read (less at
  // the end), or -1 on an I/O error.
  virtual long long Read(void* buffer, std::size_t size) = 0;
  virtual void Close() = 0;
  // A descriptor of its own on the open input, for reading at any offset
  // later (the caller closes it); -1 when the input is no file.
  virtual int Duplicate() { return -1; }
};

class FileSource final : public InputSource {
 public:
  explicit FileSource(std::string path) : path_(std::move(path)) {}
  ~FileSource() override { Close(); }
  Opened Open() override;
  bool Rewind() override;
  std::optional<std::size_t> Length() override;
  long long Read(void* buffer, std::size_t size) override;
  void Close() override;
  int Duplicate() override;

 private:
  std::string path_;
  int fd_ = -1;
};

class MemorySource final : public InputSource {
 public:
  explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  Opened Open() override {
    at_ = 0;
    return Opened::Ok;
  }
  bool Rewind() override {
    at_ = 0;
    return true;
  }
  std::optional<std::size_t> Length() override { return bytes_.size(); }
  long long Read(void* buffer, std::size_t size) override;
  void Close() override {}

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

}  // namespace korimo::media
