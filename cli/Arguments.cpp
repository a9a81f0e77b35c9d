#include "cli/Arguments.h"

#include <algorithm>
#include <initializer_list>

namespace korimo::cli {

namespace {

struct CommandShape {
  const char* name;
  Command command;
  std::size_t fileCount;
  bool moreFiles;  // fileCount or more
  std::initializer_list<const char*> options;  // long names; "-o" stands for itself
};

const CommandShape kCommands[] = {
    {"info", Command::Info, 1, true, {"--password", "--password-file", "--ask-password", "--json", "--sealed"}},
    {"embed", Command::Embed, 2, false,
     {"-o", "--password", "--password-file", "--ask-password", "--memo", "--memo-file", "--replace", "--fit", "--sealed"}},
    {"extract", Command::Extract, 1, false, {"-o", "--password", "--password-file", "--ask-password", "--memo-out", "--sealed"}},
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

    if (name == "--replace" || name == "--ask-password" || name == "--json" || name == "--fit" || name == "--sealed") {
      if (inlineValue) throw UsageError(name + " takes no value");
      if (name == "--replace") result.replace = true;
      else if (name == "--fit") result.fit = true;
      else if (name == "--json") result.json = true;
      else if (name == "--sealed") result.sealed = true;
      else result.askPassword = true;
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
    } else if (name == "--password-file") {
      if (value.empty()) throw UsageError("empty password file name");
      SetOnce(result.passwordFile, name, value);
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

  if (shape->moreFiles ? result.files.size() < shape->fileCount : result.files.size() != shape->fileCount)
    throw UsageError(std::string(shape->name) + " takes " + std::to_string(shape->fileCount) +
                     (shape->moreFiles ? " or more" : "") + (shape->fileCount == 1 ? " file" : " files"));
  if (result.command != Command::Info) {
    if (!output) throw UsageError(std::string(shape->name) + " needs -o OUTPUT");
    result.output = *output;
  }
  if ((result.password ? 1 : 0) + (result.passwordFile ? 1 : 0) + (result.askPassword ? 1 : 0) > 1)
    throw UsageError("--password, --password-file and --ask-password exclude each other");
  if (result.memo && result.memoFile) throw UsageError("--memo and --memo-file exclude each other");
  if (result.sealed && !result.password && !result.passwordFile && !result.askPassword)
    throw UsageError("--sealed needs --password-file, --ask-password or --password");
  return result;
}

std::string UsageText() {
  return "Usage: korimo-cli info CARRIER.bmp... [PASSWORD] [--json] [--sealed]\n"
         "  or:  korimo-cli embed IMAGE.bmp SOUND -o OUT.bmp [PASSWORD] [MEMO] [--replace] [--fit] [--sealed]\n"
         "  or:  korimo-cli extract CARRIER.bmp -o OUT.wav [PASSWORD] [--memo-out FILE] [--sealed]\n"
         "  or:  korimo-cli --help | --version\n"
         "PASSWORD is one of --password-file FILE, --ask-password, --password PW;\n"
         "MEMO is --memo TEXT or --memo-file FILE.\n"
         "\n"
         "Hides a WAV sound in a 24/32-bit BMP picture and takes it out again.\n"
         "\n"
         "Commands:\n"
         "  info     prints the fields below, one per line. With several files, one\n"
         "           block per file headed by \"file: PATH\" and separated by a blank\n"
         "           line. Control characters in names are written as \\n, \\t, \\xHH.\n"
         "  embed    hides SOUND (and a memo, UTF-8) in IMAGE.bmp and writes the\n"
         "           result to OUT.bmp. SOUND is a WAV file, or FLAC, Ogg Vorbis,\n"
         "           Opus, MP3 or another WAV encoding, which is hidden as a 16-bit\n"
         "           WAV; such a sound that does not fit is made smaller (mono,\n"
         "           then 22.05, 16, 11.025, 8 kHz, then 8-bit) and what was done\n"
         "           is said on stderr. Pictures are BMP only: the window converts\n"
         "           PNG, JPEG, WebP, TIFF and GIF.\n"
         "  extract  writes the hidden WAV file to OUT.wav.\n"
         "\n"
         "Fields of info:\n"
         "  image-data-size  the picture's data-size field, on which every figure rests\n"
         "  carrier-kind     how the sound is stored: 1 with a header (name, password,\n"
         "                   memo), as embed writes it; 0 the older way, the sound\n"
         "                   alone; 2 to 15 no sound. A picture without sound shows the\n"
         "                   kind its bits happen to give.\n"
         "  sound            none, present or protected (locked by a password)\n"
         "  sound-size       bytes of the hidden WAV file (0 while it is locked)\n"
         "  sound-name       the name of the WAV file it was hidden from\n"
         "  memo-bytes       bytes of the memo in Shift-JIS (0 for none)\n"
         "  capacity         the largest WAV file (bytes) embed can hide in the picture,\n"
         "                   for a sound file name of 5 bytes (a.wav); each further byte\n"
         "                   of the name takes one byte from it\n"
         "  sealed-capacity  with --sealed: the bytes of sound, its name and the memo a\n"
         "                   sealed picture of it can hold\n"
         "\n"
         "Options:\n"
         "  -o, --output FILE      the file to write (embed, extract)\n"
         "  --password-file FILE   the password is the first line of FILE, without its\n"
         "                         line break; - reads standard input\n"
         "  --ask-password         asks for the password on the terminal without echo;\n"
         "                         embed asks twice and refuses when the two differ\n"
         "  --password PW          the password itself; other users of the machine can\n"
         "                         see it in the process list\n"
         "  --memo TEXT            embed: the memo to hide with the sound\n"
         "  --memo-file FILE       embed: the memo is the content of FILE (UTF-8)\n"
         "  --replace              embed: replace sound (and memo) the image already\n"
         "                         carries; without it such an image is refused\n"
         "  --fit                  embed: make a WAV file smaller too when it does not\n"
         "                         fit\n"
         "  --memo-out FILE        extract: write the memo to FILE as UTF-8 (an empty\n"
         "                         file when there is none)\n"
         "  --json                 info: one JSON object per file and line, with the\n"
         "                         same keys plus \"file\" (and \"error\" when it failed)\n"
         "  --sealed               a sealed picture: the sound, its name and the memo\n"
         "                         are encrypted with PASSWORD as a passphrase (1 to\n"
         "                         1024 bytes of UTF-8) and spread over the picture so\n"
         "                         that nothing shows it carries anything; info and\n"
         "                         extract open one (sound: sealed)\n"
         "  -h, --help             print this help and exit\n"
         "  --version              print the version and exit\n"
         "\n"
         "A password is at most 8 bytes in Shift-JIS (8 half-width or 4 full-width\n"
         "characters); embed without one leaves the sound unprotected. It locks the\n"
         "sound against playing; it is not encryption: the sound can still be read\n"
         "from the picture.\n"
         "An empty --password \"\" means no password; an empty password file or\n"
         "input is refused. With --sealed, PASSWORD is required and encrypts: a lost\n"
         "passphrase cannot be recovered.\n"
         "A refused command leaves its output files untouched. An output that is\n"
         "the same file as another output or as an input is a usage error.\n"
         "\n"
         "Exit status:\n"
         "  0  success\n"
         "  1  input refused or operation failed; info: for any of its files. The\n"
         "     message is on stderr after the path of the file it is about, with a\n"
         "     short reason in parentheses where there is one\n"
         "  2  usage error\n"
         "  3  the sound is password-protected and no or a wrong password was given;\n"
         "     with --sealed: wrong passphrase or no sealed sound (one answer);\n"
         "     info: for some file, and none failed\n";
}

}  // namespace korimo::cli
