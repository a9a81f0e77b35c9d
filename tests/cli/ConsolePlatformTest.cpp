// The console backend's stand-ins for the message box, the replace question
// and the password dialog.
#include "platform/console/ConsolePlatform.h"

#include <sstream>

#include <gtest/gtest.h>

#include "engine/Korimocom.h"
#include "engine/Messages.h"

namespace korimo::platform {
namespace {

TEST(ConsolePlatform, MessagesAreSingleLinesAndTheQuestionFollowsTheFlag) {
  std::ostringstream err;
  ConsolePlatform console(err);
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

TEST(ConsolePlatform, PasswordDialogAcceptsOnlyWhatTheHeaderHolds) {
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
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry.value_or("(none)"));
    std::ostringstream err;
    ConsolePlatform console(err);
    console.SetPasswordEntry(c.entry);
    Korimocom::Password = "before";
    Korimocom::DialogOpening = 1;
    Korimocom::OperationFailed = 0;
    console.ShowPasswordDialog();
    EXPECT_EQ(Korimocom::DialogOpening, 0);
    EXPECT_EQ(Korimocom::OperationFailed, c.accepted ? 0 : 1);
    EXPECT_EQ(Korimocom::Password, c.accepted ? *c.entry : "before");
    EXPECT_EQ(err.str(), c.message ? std::string(msg::kPasswordTooLong) + "\n" : "");
  }
  Korimocom::ResetWorkData();
}

}  // namespace
}  // namespace korimo::platform
