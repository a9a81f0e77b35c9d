// Table rows reported by name: a row type with a `label` member (letters,
// digits and underscores) is instantiated as
//   INSTANTIATE_TEST_SUITE_P(Group, Suite, ::testing::ValuesIn(kRows), ByLabel{});
// so each row is its own test, "Group/Suite.Test/Label".
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace korimo::test {

struct ByLabel {
  template <typename Row>
  std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
    return std::string(info.param.label);
  }
};

// A label from free text: words run together, each capitalised, anything
// that is not a letter or digit dropped ("kind 0 without RIFF" -> "Kind0WithoutRIFF").
inline std::string LabelFrom(const std::string& text) {
  std::string label;
  bool capital = true;
  for (const char c : text) {
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!alnum) {
      capital = true;
      continue;
    }
    label += capital && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    capital = false;
  }
  return label;
}

}  // namespace korimo::test
