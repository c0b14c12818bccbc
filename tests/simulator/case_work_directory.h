#pragma once
// Where a test case builds a firmware: a directory of the running case's own, so that two
// cases that ctest runs at once never build in, or clear, each other's directory.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace kitbuilder::simulator {

/// KITBUILDER_SIMULATOR_WORK/<suite>.<case>/<name>, with the '/' of parameterised names made '.'.
inline std::string CaseWorkDirectory(const std::string& name) {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string test = std::string(info->test_suite_name()) + "." + info->name();
  std::replace(test.begin(), test.end(), '/', '.');
  return std::string(KITBUILDER_SIMULATOR_WORK) + "/" + test + "/" + name;
}

}  // namespace kitbuilder::simulator
