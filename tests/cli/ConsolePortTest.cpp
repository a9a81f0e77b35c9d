// The console port's stand-ins for the message box, the replace question
// and the password dialog.
#include "cli/ConsolePort.h"

#include <sstream>

#include <gtest/gtest.h>

#include "engine/Extraction.h"
#include "engine/Korimocom.h"
#include "engine/Messages.h"
#include "tests/support/NamedCases.h"

namespace korimo::cli {

using platform::Answer;
using platform::Buttons;
using platform::Icon;
namespace {

TEST(ConsolePort, MessagesAreSingleLinesAndTheQuestionFollowsTheFlag) {
  std::ostringstream err;
  ConsolePort console(err);
  EXPECT_EQ(console.MessageBox("一行目\r\n二行目", Buttons::Ok, Icon::Exclamation), Answer::Ok);
  EXPECT_EQ(err.str(), "一行目  二行目\n");
  err.str("");
  console.NotifyWithReason("x", "the folder a\x1b[2J cannot be written");
  EXPECT_EQ(err.str(), "x (the folder a\\x1b[2J cannot be written)\n");

  err.str("");
  EXPECT_EQ(console.MessageBox(msg::kReplaceSound, Buttons::YesNo, Icon::Exclamation), Answer::No);
  EXPECT_EQ(err.str(), std::string(msg::kReplaceSound) + "\n");
  console.SetReplaceAllowed(true);
  err.str("");
  EXPECT_EQ(console.MessageBox(msg::kReplaceSound, Buttons::YesNo, Icon::Exclamation), Answer::Yes);
  EXPECT_EQ(err.str(), "");  // nothing was refused, so nothing to report
}

// The password dialog takes --password: accepted when the header holds it
// exactly (at most 8 CP932 bytes), refused with the message otherwise.
struct EntryCase {
  const char* label;
  std::optional<std::string> entry;  // std::nullopt: no --password
  bool accepted;
  bool message;
};

class ConsolePasswordEntry : public ::testing::TestWithParam<EntryCase> {
 protected:
  void TearDown() override {
    platform::SetCurrent(nullptr);
    Korimocom::ResetWorkData();
  }
};

TEST_P(ConsolePasswordEntry, AcceptsOnlyWhatTheHeaderHolds) {
  const EntryCase& c = GetParam();
  std::ostringstream err;
  ConsolePort console(err);
  console.SetPasswordEntry(c.entry);
  platform::SetCurrent(&console);
  Korimocom::Password = "before";
  Korimocom::OperationFailed = 0;
  EXPECT_EQ(Korimocom::RequestPassword(), c.accepted);
  platform::SetCurrent(nullptr);
  EXPECT_EQ(Korimocom::DialogOpening, 0);
  EXPECT_EQ(Korimocom::OperationFailed, c.accepted ? 0 : 1);
  EXPECT_EQ(Korimocom::Password, c.accepted ? *c.entry : "before");
  EXPECT_EQ(err.str(), c.message ? std::string(msg::kPasswordTooLong) + "\n" : "");
}

const EntryCase kEntries[] = {
    {"NoEntry", std::nullopt, false, false},
    {"Empty", "", true, false},
    {"EightLetters", "abcdefgh", true, false},
    {"FourFullWidthAreEightBytes", "ああああ", true, false},
    {"NineLetters", "abcdefghi", false, true},
    {"FiveFullWidth", "あいうえお", false, true},
    {"LetterShiftJisLacks", "café", false, true},
};
INSTANTIATE_TEST_SUITE_P(Entries, ConsolePasswordEntry, ::testing::ValuesIn(kEntries), test::ByLabel{});

}  // namespace
}  // namespace korimo::cli
