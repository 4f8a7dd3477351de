#pragma once

#include <gtest/gtest.h>

#include <string>

namespace nvx::test {

// Names the cases of a parameterised test after their `name` field, so a
// failure says which case it was: INSTANTIATE_TEST_SUITE_P(..., CaseName()).
struct CaseName {
  template <class Case>
  std::string operator()(const testing::TestParamInfo<Case>& info) const {
    return std::string(info.param.name);
  }
};

}  // namespace nvx::test
