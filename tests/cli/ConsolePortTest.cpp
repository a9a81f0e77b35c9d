// The console port's stand-ins for the message box, the replace question
// and the password dialog.
#include "cli/ConsolePort.h"

#include <sstream>

#include <gtest/gtest.h>

#include "engine/Extraction.h"
#include "engine/Korimocom.h"
#include "engine/Messages.h"

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
  EXPECT_EQ(console.MessageBox(msg::kReplaceSound, Buttons::YesNo, Icon::Exclamation), Answer::No);
  EXPECT_EQ(err.str(), std::string(msg::kReplaceSound) + "\n");
  console.SetReplaceAllowed(true);
  err.str("");
  EXPECT_EQ(console.MessageBox(msg::kReplaceSound, Buttons::YesNo, Icon::Exclamation), Answer::Yes);
  EXPECT_EQ(err.str(), "");  // nothing was refused, so nothing to report
  EXPECT_EQ(console.MessagesShown(), 2);
}

TEST(ConsolePort, PasswordDialogAcceptsOnlyWhatTheHeaderHolds) {
  struct Case {
    std::optional<std::string> entry;
    bool accepted;
    bool message;
  };
  const Case cases[] = {
      {std::nullopt, false, false},  // no --password: closed without an entry
      {"", true, false},
      {"abcdefgh", true, false},
      {"ああああ", true, false},  // 8 bytes in Shift-JIS
      {"abcdefghi", false, true},
      {"あいうえお", false, true},
      {"café", false, true},  // "é" has no Shift-JIS form
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry.value_or("(none)"));
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
  Korimocom::ResetWorkData();
}

}  // namespace
}  // namespace korimo::cli
