// Passwords that never appear on the command line: --password-file (a file
// or standard input) and --ask-password (the terminal, echo off), driven
// through the real executable; the terminal is a pseudo-terminal.
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/cli/CliRunner.h"
#include "tests/support/TestFiles.h"

namespace korimo::test {
namespace {

const std::string kPasswordTooLong = "パスワードは半角８文字以内で入力してください。";
const std::string kHasLockedSound = "パスワード付音声あり";

Bytes AsBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::vector<char*> Argv(std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return argv;
}

// What a user at a terminal saw, and how the program ended.
struct TerminalRun {
  int code = -1;
  std::string screen;
  bool echoing = false;  // the terminal's echo flag once the program has ended
};

class PasswordInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir / "image.bmp", MakeBmp(64, 48));
    WriteFile(dir / "s.wav", MakeWav(300));
    mkdir((dir / "tmp").c_str(), 0700);
  }

  CliResult Cli(const std::vector<std::string>& args) { return RunCli(args, dir.path(), dir / "tmp/"); }

  // Runs korimo-cli on a pseudo-terminal and types `lines`, each one after
  // the next prompt ("Password...: ") has appeared. A line is typed with its
  // Enter key; "\x03" alone is Ctrl+C, "\x04" alone Ctrl+D.
  TerminalRun AtTerminal(std::vector<std::string> args, const std::vector<std::string>& lines) {
    args.insert(args.begin(), KORIMO_CLI_PATH);
    std::vector<char*> argv = Argv(args);
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0) throw std::runtime_error("forkpty failed");
    if (pid == 0) {
      if (chdir(dir.path().c_str()) != 0) _exit(127);
      setenv("TEMP", (dir / "tmp").c_str(), 1);
      execv(argv[0], argv.data());
      _exit(127);
    }
    TerminalRun run;
    std::size_t typed = 0;
    for (;;) {
      pollfd p{master, POLLIN, 0};
      if (poll(&p, 1, 10000) <= 0) {  // a program waiting for input nobody gives
        kill(pid, SIGKILL);
        ADD_FAILURE() << "no output for 10 s; screen so far: " << run.screen;
        break;
      }
      char buf[256];
      const ssize_t n = read(master, buf, sizeof buf);
      if (n <= 0) break;  // EIO once the program has ended
      run.screen.append(buf, static_cast<std::size_t>(n));
      std::size_t prompts = 0;
      for (std::size_t at = 0; (at = run.screen.find("Password", at)) != std::string::npos; ++at) ++prompts;
      while (typed < prompts && typed < lines.size()) {
        const bool control = lines[typed] == "\x03" || lines[typed] == "\x04";
        const std::string line = control ? lines[typed] : lines[typed] + "\n";
        ++typed;
        if (write(master, line.data(), line.size()) < 0) ADD_FAILURE() << "cannot type";
      }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    struct termios settings;
    run.echoing = tcgetattr(master, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
    close(master);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
  }

  TempDir dir;
};

TEST_F(PasswordInputTest, PasswordFileTakesItsFirstLineWithoutTheLineBreak) {
  WriteFile(dir / "pw.txt", AsBytes("abc\r\nsecond line\n"));
  ASSERT_EQ(Cli({"embed", "image.bmp", "s.wav", "-o", "c.bmp", "--password-file", "pw.txt"}).code, 0);
  // The same password given the visible way opens it: no \r, no second line.
  EXPECT_EQ(Cli({"extract", "c.bmp", "-o", "a.wav", "--password", "abc"}).code, 0);
  EXPECT_EQ(ReadFile(dir / "a.wav"), ReadFile(dir / "s.wav"));

  WriteFile(dir / "plain.txt", AsBytes("abc"));  // no line break at all
  EXPECT_EQ(Cli({"extract", "c.bmp", "-o", "b.wav", "--password-file", "plain.txt"}).code, 0);
  const std::string cmd = "cd '" + dir.path() + "' && printf 'abc\\n' | TEMP=tmp " KORIMO_CLI_PATH
                          " extract c.bmp -o c.wav --password-file -";
  EXPECT_EQ(korimo::test::Run(cmd), 0) << cmd;
  EXPECT_EQ(ReadFile(dir / "c.wav"), ReadFile(dir / "s.wav"));

}

// An empty first line, an empty file, /dev/null, a FIFO nobody writes to and
// an input closed at once are refused: none may make an unprotected carrier.
TEST_F(PasswordInputTest, EmptyPasswordSourcesAreRefused) {
  WriteFile(dir / "empty-line.txt", AsBytes("\nabc\n"));
  WriteFile(dir / "empty.txt", {});
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  for (const char* source : {"empty-line.txt", "empty.txt", "/dev/null", "fifo"}) {
    const CliResult r = RunCli({"embed", "image.bmp", "s.wav", "-o", "c.bmp", "--password-file", source}, dir.path(),
                               dir / "tmp/", {.killAfterSeconds = 60});
    EXPECT_EQ(r.code, 1) << source;
    EXPECT_NE(r.err.find("no password"), std::string::npos) << r.err;
  }
  const std::string cmd = "cd '" + dir.path() + "' && true | TEMP=tmp " KORIMO_CLI_PATH
                          " embed image.bmp s.wav -o c.bmp --password-file - 2>/dev/null";
  EXPECT_EQ(korimo::test::Run(cmd), 1) << cmd;
  EXPECT_FALSE(FileExists(dir / "c.bmp"));
}

// Each refusal leaves no output file behind.
TEST_F(PasswordInputTest, PasswordFileFollowsThePasswordRules) {
  ASSERT_EQ(Cli({"embed", "image.bmp", "s.wav", "-o", "c.bmp", "--password", "abc"}).code, 0);
  WriteFile(dir / "wrong.txt", AsBytes("abd\n"));
  WriteFile(dir / "long.txt", AsBytes("123456789\n"));
  mkdir((dir / "adir").c_str(), 0700);

  CliResult r = Cli({"extract", "c.bmp", "-o", "out.wav", "--password-file", "wrong.txt"});
  EXPECT_EQ(r.code, 3);
  EXPECT_NE(r.err.find(kHasLockedSound), std::string::npos) << r.err;
  r = Cli({"embed", "image.bmp", "s.wav", "-o", "out.wav", "--password-file", "long.txt"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(kPasswordTooLong), std::string::npos) << r.err;
  for (const char* unreadable : {"missing.txt", "adir"}) {
    r = Cli({"extract", "c.bmp", "-o", "out.wav", "--password-file", unreadable});
    EXPECT_EQ(r.code, 1) << unreadable;
    EXPECT_NE(r.err.find("cannot read the password file"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(FileExists(dir / "out.wav"));

  // One source of password at a time.
  for (std::vector<std::string> extra : {std::vector<std::string>{"--password", "a", "--password-file", "wrong.txt"},
                                         {"--password-file", "wrong.txt", "--ask-password"},
                                         {"--ask-password=yes"},
                                         {"--password-file", ""},
                                         {"--password-file", "out.wav"}}) {  // would write over it
    std::vector<std::string> args{"extract", "c.bmp", "-o", "out.wav"};
    args.insert(args.end(), extra.begin(), extra.end());
    EXPECT_EQ(Cli(args).code, 2) << extra[0];
  }
  EXPECT_FALSE(FileExists(dir / "out.wav"));
}

TEST_F(PasswordInputTest, AskPasswordReadsTheTerminalWithoutEcho) {
  TerminalRun t = AtTerminal({"embed", "image.bmp", "s.wav", "-o", "c.bmp", "--ask-password"}, {"s3cret", "s3cret"});
  EXPECT_EQ(t.code, 0) << t.screen;
  EXPECT_NE(t.screen.find("Password: "), std::string::npos) << t.screen;
  EXPECT_NE(t.screen.find("Password (again): "), std::string::npos) << t.screen;
  EXPECT_EQ(t.screen.find("s3cret"), std::string::npos) << "echoed: " << t.screen;

  t = AtTerminal({"extract", "c.bmp", "-o", "out.wav", "--ask-password"}, {"s3cret"});
  EXPECT_EQ(t.code, 0) << t.screen;
  EXPECT_EQ(t.screen.find("again"), std::string::npos) << "extract asks once";
  EXPECT_EQ(ReadFile(dir / "out.wav"), ReadFile(dir / "s.wav"));

  EXPECT_TRUE(t.echoing);

  // Ctrl+C at the prompt ends the program with echo back on.
  t = AtTerminal({"info", "c.bmp", "--ask-password"}, {"\x03"});
  EXPECT_EQ(t.code, 128 + SIGINT) << t.screen;
  EXPECT_TRUE(t.echoing) << "the terminal was left without echo";

  t = AtTerminal({"info", "c.bmp", "--ask-password"}, {"s3creT"});
  EXPECT_EQ(t.code, 3) << t.screen;
  t = AtTerminal({"info", "c.bmp", "--ask-password"}, {"123456789"});
  EXPECT_EQ(t.code, 1) << t.screen;
  EXPECT_NE(t.screen.find(kPasswordTooLong), std::string::npos) << t.screen;
}

TEST_F(PasswordInputTest, AskPasswordRefusesTwoDifferentEntriesAndNoTerminal) {
  TerminalRun t = AtTerminal({"embed", "image.bmp", "s.wav", "-o", "c.bmp", "--ask-password"}, {"one", "two"});
  EXPECT_EQ(t.code, 1) << t.screen;
  EXPECT_NE(t.screen.find("the two passwords differ"), std::string::npos) << t.screen;
  EXPECT_FALSE(FileExists(dir / "c.bmp"));
  // Ctrl+D gives no password at all, which is not the empty one.
  t = AtTerminal({"embed", "image.bmp", "s.wav", "-o", "c.bmp", "--ask-password"}, {"\x04"});
  EXPECT_EQ(t.code, 1) << t.screen;
  EXPECT_FALSE(FileExists(dir / "c.bmp"));

  // Without a controlling terminal (a new session) there is nobody to ask;
  // standard input is not asked instead.
  const std::string cmd = "cd '" + dir.path() + "' && echo pw | TEMP=tmp setsid -w " KORIMO_CLI_PATH
                          " embed image.bmp s.wav -o c.bmp --ask-password 2>err.txt";
  EXPECT_EQ(korimo::test::Run(cmd), 1) << cmd;
  const Bytes err = ReadFile(dir / "err.txt");
  EXPECT_NE(std::string(err.begin(), err.end()).find("needs a terminal"), std::string::npos);
  EXPECT_FALSE(FileExists(dir / "c.bmp"));
}

}  // namespace
}  // namespace korimo::test
