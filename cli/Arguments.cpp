#include "cli/Arguments.h"

#include <algorithm>
#include <initializer_list>

namespace korimo::cli {

namespace {

struct CommandShape {
  const char* name;
  Command command;
  std::size_t fileCount;
  std::initializer_list<const char*> options;  // long names; "-o" stands for itself
};

const CommandShape kCommands[] = {
    {"info", Command::Info, 1, {"--password"}},
    {"embed", Command::Embed, 2, {"-o", "--password", "--memo", "--memo-file", "--replace"}},
    {"extract", Command::Extract, 1, {"-o", "--password", "--memo-out"}},
};

bool Allows(const CommandShape& shape, const std::string& option) {
  return std::any_of(shape.options.begin(), shape.options.end(),
                     [&](const char* o) { return option == o; });
}

void SetOnce(std::optional<std::string>& slot, const std::string& option, std::string value) {
  if (slot) throw UsageError(option + " given twice");
  slot = std::move(value);
}

}  // namespace

Arguments ParseArguments(const std::vector<std::string>& args) {
  Arguments result;
  if (args.empty()) throw UsageError("no command given");
  // --help and --version win wherever they appear, so "korimo-cli embed --help" helps.
  for (const auto& a : args) {
    if (a == "--") break;
    if (a == "--help" || a == "-h") return result;
  }
  if (args[0] == "--version") {
    if (args.size() != 1) throw UsageError("--version takes no arguments");
    result.command = Command::Version;
    return result;
  }

  const CommandShape* shape = nullptr;
  for (const auto& s : kCommands)
    if (args[0] == s.name) shape = &s;
  if (!shape) throw UsageError("unknown command '" + args[0] + "'");
  result.command = shape->command;

  std::optional<std::string> output;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.size() < 2 || a[0] != '-') {
      if (a.empty()) throw UsageError("empty file name");
      result.files.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    // "--name=value" or "--name value" / "-o value".
    std::string name = a;
    std::optional<std::string> inlineValue;
    if (const auto eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = a.substr(0, eq);
      inlineValue = a.substr(eq + 1);
    }
    if (name == "--output") name = "-o";
    if (!Allows(*shape, name)) throw UsageError("option " + name + " is not valid for " + shape->name);

    if (name == "--replace") {
      if (inlineValue) throw UsageError("--replace takes no value");
      result.replace = true;
      continue;
    }
    std::string value;
    if (inlineValue) {
      value = *inlineValue;
    } else {
      if (i + 1 >= args.size()) throw UsageError("option " + name + " needs a value");
      value = args[++i];
    }
    if (name == "-o") {
      if (value.empty()) throw UsageError("empty output file name");
      SetOnce(output, name, value);
    } else if (name == "--password") {
      SetOnce(result.password, name, value);
    } else if (name == "--memo") {
      SetOnce(result.memo, name, value);
    } else if (name == "--memo-file") {
      if (value.empty()) throw UsageError("empty memo file name");
      SetOnce(result.memoFile, name, value);
    } else if (name == "--memo-out") {
      if (value.empty()) throw UsageError("empty memo file name");
      SetOnce(result.memoOut, name, value);
    }
  }

  if (result.files.size() != shape->fileCount)
    throw UsageError(std::string(shape->name) + " takes " + std::to_string(shape->fileCount) +
                     (shape->fileCount == 1 ? " file" : " files"));
  if (result.command != Command::Info) {
    if (!output) throw UsageError(std::string(shape->name) + " needs -o OUTPUT");
    result.output = *output;
  }
  if (result.memo && result.memoFile) throw UsageError("--memo and --memo-file exclude each other");
  return result;
}

std::string UsageText() {
  return "Usage:\n"
         "  korimo-cli info CARRIER.bmp [--password PW]\n"
         "  korimo-cli embed IMAGE.bmp SOUND.wav -o OUT.bmp [--password PW]\n"
         "             [--memo TEXT | --memo-file FILE] [--replace]\n"
         "  korimo-cli extract CARRIER.bmp -o OUT.wav [--password PW] [--memo-out FILE]\n"
         "  korimo-cli --help | --version\n"
         "\n"
         "info     prints image-data-size, carrier-kind, sound (none, present or\n"
         "         protected), sound-size, sound-name and memo-bytes, one per line.\n"
         "embed    hides SOUND.wav (and a memo, UTF-8) in a 24/32-bit BMP and writes\n"
         "         the result to OUT.bmp. --password locks it against playing (at most\n"
         "         8 bytes in Shift-JIS; not encryption: the sound can still be read\n"
         "         from the picture); --replace allows replacing sound the image already\n"
         "         carries.\n"
         "extract  writes the hidden WAV file to OUT.wav and, with --memo-out, the memo\n"
         "         as UTF-8 (an empty file when there is none).\n"
         "\n"
         "Exit status: 0 success; 1 input refused or operation failed; 2 usage error;\n"
         "3 the sound is password-protected and no or a wrong password was given.\n"
         "A refused command leaves its output files untouched. An output that is\n"
         "the same file as another output or as an input is a usage error.\n";
}

}  // namespace korimo::cli
