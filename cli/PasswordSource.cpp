#include "cli/PasswordSource.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "cli/ConsolePort.h"

namespace korimo::cli {

namespace {

// A password is at most 8 bytes and a passphrase at most 1,024; anything
// longer is refused by the length checks later, so reading stops one byte past
// that instead of swallowing a whole file that has no line break.
constexpr std::size_t kReadLimit = 1025;

// A CRLF line break is a line break too.
std::string WithoutCarriageReturn(std::string line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::optional<std::string> FirstLineOf(std::FILE* file) {
  std::string line;
  int c;
  while (line.size() < kReadLimit && (c = std::getc(file)) != EOF && c != '\n')
    line += static_cast<char>(c);
  if (std::ferror(file)) return std::nullopt;
  return WithoutCarriageReturn(std::move(line));
}

// Opened without waiting: a FIFO nobody writes to would block the open
// itself. Reads wait again afterwards, so a writer that is there is read to
// its line break, and a FIFO without one reads as empty.
std::optional<std::string> ReadPasswordFile(const std::string& path) {
  if (path == "-") return FirstLineOf(stdin);
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  const int flags = fcntl(fd, F_GETFL);
  std::FILE* file = flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0 ? nullptr : fdopen(fd, "rb");
  if (!file) {
    close(fd);
    return std::nullopt;
  }
  std::optional<std::string> line = FirstLineOf(file);
  std::fclose(file);
  return line;
}

// ---- The terminal -------------------------------------------------------------

// The terminal's settings while echo is off, so that a signal that ends the
// program gives the user a terminal that echoes again.
int gTerminal = -1;
struct termios gSavedSettings;

extern "C" void RestoreTerminalAndDie(int signal) {
  if (gTerminal >= 0) tcsetattr(gTerminal, TCSAFLUSH, &gSavedSettings);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// One line typed on the terminal `fd` after `prompt`, echo off. std::nullopt
// when the terminal was closed (end of input) before a line break.
std::optional<std::string> AskLine(int fd, const char* prompt) {
  struct termios quiet = gSavedSettings;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  quiet.c_lflag |= ECHONL;  // the Enter key still moves to the next line
  gTerminal = fd;
  for (int s : kEndingSignals) std::signal(s, RestoreTerminalAndDie);
  tcsetattr(fd, TCSAFLUSH, &quiet);

  std::string line;
  bool ended = false;
  if (write(fd, prompt, std::char_traits<char>::length(prompt)) >= 0) {
    char c;
    ssize_t n;
    while ((n = read(fd, &c, 1)) == 1 && c != '\n')
      if (line.size() < kReadLimit) line += c;
    ended = n == 1;
  }

  tcsetattr(fd, TCSAFLUSH, &gSavedSettings);
  for (int s : kEndingSignals) std::signal(s, SIG_DFL);
  gTerminal = -1;
  if (!ended) return std::nullopt;
  return WithoutCarriageReturn(std::move(line));
}

// Asks on the controlling terminal, not on standard input, so that
// redirected input cannot answer by accident. `twice`: embed confirms it.
bool AskPassword(bool twice, std::string& password) {
  const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0 || tcgetattr(fd, &gSavedSettings) != 0) {
    if (fd >= 0) close(fd);
    std::cerr << "korimo-cli: --ask-password needs a terminal\n";
    return false;
  }
  std::optional<std::string> first = AskLine(fd, "Password: ");
  std::optional<std::string> second = first;
  if (first && twice) second = AskLine(fd, "Password (again): ");
  close(fd);
  if (!first || !second) {
    std::cerr << "korimo-cli: no password entered\n";
    return false;
  }
  if (*first != *second) {
    std::cerr << "korimo-cli: the two passwords differ\n";
    return false;
  }
  password = std::move(*first);
  return true;
}

}  // namespace

bool ResolvePassword(Arguments& args) {
  if (args.passwordFile) {
    std::optional<std::string> line = ReadPasswordFile(*args.passwordFile);
    if (!line) {
      std::cerr << "korimo-cli: cannot read the password file " << Escaped(*args.passwordFile) << '\n';
      return false;
    }
    // An empty file or a closed input is no way to ask for an unprotected
    // carrier (that is --password ""): it is a password that went missing.
    if (line->empty()) {
      std::cerr << "korimo-cli: " << (*args.passwordFile == "-" ? std::string("standard input") : Escaped(*args.passwordFile))
                << ": no password in the first line\n";
      return false;
    }
    args.password = std::move(*line);
  } else if (args.askPassword) {
    std::string typed;
    if (!AskPassword(args.command == Command::Embed, typed)) return false;
    args.password = std::move(typed);
  }
  return true;
}

}  // namespace korimo::cli
