#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

namespace nvx::test {

// Names the cases of a parameterised test after their `name` field, so a
// failure says which case it was: INSTANTIATE_TEST_SUITE_P(..., CaseName()).
struct CaseName {
  template <class Case>
  std::string operator()(const testing::TestParamInfo<Case>& info) const {
    return std::string(info.param.name);
  }
};

// Prints a case of a parameterised test as its `name` in gtest's messages.
// A test file brings it beside its cases with `using test::PrintTo;`.
template <class Case>
requires requires(const Case& c) { std::string_view(c.name); }
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

}  // namespace nvx::test
