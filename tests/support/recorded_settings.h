#pragma once
// The settings file text that engine tests hand to a build. The engine records it as it is given
// and never reads it, so any text serves; the front ends hand it their settings file.

#include <string_view>

namespace kitbuilder::testing {

inline constexpr std::string_view kSettingsText = "# the settings of the build\r\nchannel=100\r\n";

}  // namespace kitbuilder::testing
