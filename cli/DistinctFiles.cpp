#include "cli/DistinctFiles.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

namespace korimo::cli {

namespace {

namespace fs = std::filesystem;

// Absolute first: the part that exists is resolved from the root down, the
// rest only normalised.
fs::path Resolved(const std::string& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  const fs::path resolved = fs::weakly_canonical(absolute, ec);
  return ec ? absolute.lexically_normal() : resolved;
}

// Each file the command names, with the option that names it.
using NamedFiles = std::vector<std::pair<std::string, std::string>>;

// True when both paths name one file: the same device and inode when both
// exist, otherwise the same path once the existing part is resolved (links,
// "." and "..").
bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  return Resolved(a) == Resolved(b);
}

}  // namespace

void RequireDistinctFiles(const Arguments& args) {
  NamedFiles outputs, inputs;
  switch (args.command) {
    case Command::Embed:
      inputs = {{"IMAGE", args.files[0]}, {"SOUND", args.files[1]}};
      if (args.memoFile) inputs.emplace_back("--memo-file", *args.memoFile);
      outputs = {{"-o", args.output}};
      break;
    case Command::Extract:
      inputs = {{"CARRIER", args.files[0]}};
      outputs = {{"-o", args.output}};
      if (args.memoOut) outputs.emplace_back("--memo-out", *args.memoOut);
      break;
    default:
      return;  // no outputs
  }
  if (args.passwordFile && *args.passwordFile != "-") inputs.emplace_back("--password-file", *args.passwordFile);
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    for (std::size_t j = i + 1; j < outputs.size(); ++j)
      if (SameFile(outputs[i].second, outputs[j].second))
        throw UsageError(outputs[i].first + " and " + outputs[j].first + " name the same file");
    for (const auto& [name, path] : inputs)
      if (SameFile(outputs[i].second, path))
        throw UsageError(outputs[i].first + " names the same file as " + name);
  }
}

}  // namespace korimo::cli
