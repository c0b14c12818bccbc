#include "simulator/capture/wiring_check.h"

namespace kitbuilder::simulator {

void WiringCheck::LinesChanged(const LineChange& change) {
  for (size_t a = 0; a < kChipLineCount; ++a) {
    if (!change.changed.test(a)) continue;
    ++changes_[a];
    for (size_t b = a + 1; b < kChipLineCount; ++b) {
      if (change.changed.test(b)) ++together_[a][b];
    }
  }
}

std::vector<std::string> WiringCheck::Faults() const {
  std::vector<std::string> faults;
  for (size_t line = 0; line < kChipLineCount; ++line) {
    if (used_.test(line) && changes_[line] == 0) {
      faults.push_back(std::string(LineName(static_cast<ChipLine>(line))) +
                       " never changes: is the probe on the right pin?");
    }
  }
  for (size_t a = 0; a < kChipLineCount; ++a) {
    for (size_t b = a + 1; b < kChipLineCount; ++b) {
      // Only lines that carry different signals: a 3-wire firmware may well set both GIO
      // lines to WTR.
      if (!used_.test(a) || !used_.test(b) || changes_[a] == 0) continue;
      if (together_[a][b] != changes_[a] || together_[a][b] != changes_[b]) continue;
      faults.push_back(std::string(LineName(static_cast<ChipLine>(a))) + " and " +
                       LineName(static_cast<ChipLine>(b)) + " always change together (" +
                       std::to_string(changes_[a]) +
                       " times): a solder bridge between them, or both probes on one pin?");
    }
  }
  return faults;
}

}  // namespace kitbuilder::simulator
