#pragma once
// Where a test case builds a firmware unit: a directory of the running case's own, so that two
// cases that ctest runs at once never build in, or clear, each other's directory.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace k3960 {

/// KITBUILDER_FIRMWARE_WORK/<suite>.<case>/<unit>, with the '/' of parameterised names made '.'.
inline std::string CaseWorkDirectory(const std::string& unit) {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  std::replace(name.begin(), name.end(), '/', '.');
  return std::string(KITBUILDER_FIRMWARE_WORK) + "/" + name + "/" + unit;
}

}  // namespace k3960
