#include "cli/shared_pins.h"

#include <array>
#include <cstddef>

namespace kitbuilder::cli {
namespace {

struct RadioLine {
  const char* name;
  int32_t port;
  int32_t pin;
};

std::string JoinNames(const std::vector<const char*>& names) {
  std::string text = names.front();
  for (std::size_t i = 1; i < names.size(); ++i) {
    text += (i + 1 == names.size() ? " and " : ", ") + std::string(names[i]);
  }
  return text;
}

}  // namespace

std::vector<std::string> SharedPinWarnings(const PinAssignment& pins) {
  const std::array<RadioLine, 5> lines{{{"SCS", pins.scsPort, pins.scsPin},
                                        {"SCK", pins.sckPort, pins.sckPin},
                                        {"SDIO", pins.sdioPort, pins.sdioPin},
                                        {"GIO1", pins.gio1Port, pins.gio1Pin},
                                        {"GIO2", pins.gio2Port, pins.gio2Pin}}};
  std::vector<std::string> warnings;
  for (std::size_t first = 0; first < lines.size(); ++first) {
    auto samePin = [&](const RadioLine& line) {
      return line.port == lines[first].port && line.pin == lines[first].pin;
    };
    bool reportedWithEarlierLine = false;
    for (std::size_t earlier = 0; earlier < first; ++earlier) {
      reportedWithEarlierLine = reportedWithEarlierLine || samePin(lines[earlier]);
    }
    if (reportedWithEarlierLine) continue;
    std::vector<const char*> names{lines[first].name};
    for (std::size_t later = first + 1; later < lines.size(); ++later) {
      if (samePin(lines[later])) names.push_back(lines[later].name);
    }
    if (names.size() < 2) continue;
    warnings.push_back(JoinNames(names) + (names.size() == 2 ? " are both on P" : " are all on P") +
                       std::to_string(lines[first].port) + "." + std::to_string(lines[first].pin));
  }
  return warnings;
}

}  // namespace kitbuilder::cli
