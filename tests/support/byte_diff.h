#pragma once
// Byte-exact comparison of generated text with a readable report of the first difference, and
// access to the expected files kept under tests/.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace kitbuilder::testing {

/// Success when `actual` equals `expected` byte for byte; otherwise a failure that names the
/// first differing line with its neighbours, CR and LF made visible as \r and \n.
::testing::AssertionResult SameBytes(std::string_view expected, std::string_view actual);

/// The whole content of a file, or an empty string if it cannot be read.
std::string ReadFileBytes(const std::string& path);

/// Path of a file under the source tree's tests/ folder, for example "golden/tx_default/main.c".
std::string TestDataPath(const std::string& relative);

}  // namespace kitbuilder::testing
