#pragma once
// A small capture, as an analyzer's VCD, of a board that makes its reset and then strobes CMD_TX
// where the settings call for the ID: the first departure a capture check must name.

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace kitbuilder::testing {

/// The board writing MODE_REG 00 and strobing CMD_TX, WTR rising and falling once as the packet
/// goes out, at 1 us a unit and every step of the bus `units` long. Its channels are named `names`
/// for SCS, SCK, SDIO, GIO1 and GIO2 (any more carry nothing) and listed in the order of the
/// names. SDIO stays put when `sdioStuck`; after the packet SCK toggles `toggles` times, every
/// 10 ms.
inline std::string BoardCaptureVcd(const std::vector<std::string>& names, int units,
                                   bool sdioStuck = false, int toggles = 0) {
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  std::ostringstream vcd;
  vcd << "$timescale 1 us $end\n$scope module analyzer $end\n";
  for (const std::string& name : sorted) {
    const auto line = std::find(names.begin(), names.end(), name) - names.begin();
    vcd << "$var wire 1 " << static_cast<char>('a' + line) << " " << name << " $end\n";
  }
  vcd << "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n1a\n0b\n1c\n0d\n1e\n$end\n";
  long time = 0;
  auto at = [&](const std::string& change) { vcd << "#" << (time += units) << "\n" << change; };
  for (std::vector<uint8_t> transfer : {std::vector<uint8_t>{0x00, 0x00}, {0xD0}}) {
    at("0a\n");
    for (uint8_t byte : transfer) {
      for (int bit = 7; bit >= 0; --bit) {
        at(sdioStuck ? "" : std::string((byte >> bit) & 1 ? "1" : "0") + "c\n");
        at("1b\n");
        at("0b\n");
      }
    }
    at("1a\n");
  }
  at("1d\n");
  at("0d\n");
  for (int toggle = 0; toggle < toggles; ++toggle) {
    vcd << "#" << (time += 10000) << "\n" << 1 - toggle % 2 << "b\n";
  }
  vcd << "#" << time + 10 << "\n";
  return vcd.str();
}

}  // namespace kitbuilder::testing
