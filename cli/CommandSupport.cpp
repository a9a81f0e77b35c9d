#include "cli/CommandSupport.h"

#include "engine/CarrierLayout.h"
#include "engine/Messages.h"
#include "platform/FileIO.h"

namespace korimo::cli {

namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// A leading UTF-8 byte-order mark is no part of the memo (it has no CP932 form).
std::string WithoutBom(std::string text) {
  if (text.rfind(kUtf8Bom, 0) == 0) text.erase(0, 3);
  return text;
}

// The most a memo file can hold and still fit a memo: each CP932 byte of the
// largest memo takes at most 3 UTF-8 bytes (a half-width katakana), plus a
// byte-order mark. A longer file is refused without being read whole.
constexpr std::size_t kMemoFileLimit = 3 * static_cast<std::size_t>(layout::kMemoCapacityCap) + sizeof kUtf8Bom - 1;

}  // namespace

bool PasswordAcceptable(const Arguments& args, ConsolePort& console) {
  if (args.password && !layout::PasswordFits(*args.password)) {
    platform::Notify(msg::kPasswordTooLong);
    return false;
  }
  console.SetPasswordEntry(args.password);
  return true;
}

bool PassphraseAcceptable(const Arguments& args, ConsolePort& console) {
  console.SetPasswordEntry(std::nullopt);
  const std::string& phrase = args.password.value_or(std::string());
  if (phrase.empty())
    platform::Notify(msg::kPassphraseEmpty);
  else if (phrase.size() > sealed::kMaxPassphraseBytes)
    platform::Notify(msg::kPassphraseTooLong);
  else if (!sealed::PassphraseAcceptable(phrase))
    platform::Notify(msg::kPassphraseNotUtf8);
  else
    return true;
  return false;
}

std::unique_ptr<sealed::Passphrase> PassphraseOf(const Arguments& args) {
  std::string copy = *args.password;
  return std::make_unique<sealed::Passphrase>(copy);
}

std::optional<std::string> ReadMemoFile(const std::string& path) {
  fileio::WholeFile file = fileio::ReadWholeFile(path, kMemoFileLimit);
  switch (file.status) {
    case fileio::WholeFile::Status::Read: return WithoutBom(std::move(file.bytes));
    case fileio::WholeFile::Status::TooLong: platform::Notify(msg::kMemoTooLong); break;
    case fileio::WholeFile::Status::Unreadable: platform::Notify(msg::kCannotLoad); break;
  }
  return std::nullopt;
}

}  // namespace korimo::cli
