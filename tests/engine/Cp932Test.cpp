// The exact CP932 conversion and the password rule built on it.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "engine/CarrierLayout.h"
#include "platform/Cp932.h"

namespace korimo::test {
namespace {

struct ExactCase {
  const char* name;
  std::string utf8;
  std::optional<std::string> ansi;
};
void PrintTo(const ExactCase& c, std::ostream* os) { *os << c.name; }

class ExactConversion : public ::testing::TestWithParam<ExactCase> {};

TEST_P(ExactConversion, SucceedsOnlyWithoutLoss) { EXPECT_EQ(cp932::FromUtf8Exact(GetParam().utf8), GetParam().ansi); }

INSTANTIATE_TEST_SUITE_P(
    Cases, ExactConversion,
    ::testing::Values(ExactCase{"Empty", "", ""},
                      ExactCase{"Ascii", "abc 123\r\n", "abc 123\r\n"},
                      ExactCase{"HalfWidthKana", "ｼｽﾃﾑ", "\xBC\xBD\xC3\xD1"},
                      ExactCase{"BothWaveDashes", "～〜", "\x81\x60\x81\x60"},
                      ExactCase{"IbmExtension", "髙", "\xFB\xFC"},
                      ExactCase{"AccentedLetter", "café", std::nullopt},
                      ExactCase{"Emoji", "a😀", std::nullopt},
                      ExactCase{"InvalidByte", "A\xC3" "BCDEF", std::nullopt},
                      ExactCase{"Truncated", "\xE3\x81", std::nullopt},
                      ExactCase{"Surrogate", "\xED\xA0\x80", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

struct PasswordCase {
  const char* name;
  std::string utf8;
  bool fits;
};
void PrintTo(const PasswordCase& c, std::ostream* os) { *os << c.name; }

class PasswordRule : public ::testing::TestWithParam<PasswordCase> {};

TEST_P(PasswordRule, HoldsEightExactBytes) { EXPECT_EQ(layout::PasswordFits(GetParam().utf8), GetParam().fits); }

INSTANTIATE_TEST_SUITE_P(
    Cases, PasswordRule,
    ::testing::Values(PasswordCase{"Empty", "", true},
                      PasswordCase{"EightHalfWidth", "pass1234", true},
                      PasswordCase{"NineHalfWidth", "pass12345", false},
                      PasswordCase{"FourFullWidth", "ひみつだ", true},
                      PasswordCase{"FiveFullWidth", "ひみつです", false},
                      PasswordCase{"EightHalfWidthKana", "ｱｲｳｴｵｶｷｸ", true},
                      PasswordCase{"AccentedLetter", "pé", false},
                      PasswordCase{"Emoji", "😀", false},
                      PasswordCase{"NotUtf8", "ab\xC3", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korimo::test
