#include "simulator/radio/transcript.h"

#include <cstdio>

#include "simulator/radio/radio_registers.h"

namespace kitbuilder::simulator {

std::string HexBytes(const std::vector<uint8_t>& bytes) {
  std::string text;
  for (uint8_t byte : bytes) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02X", byte);
    if (!text.empty()) text += ' ';
    text += digits;
  }
  return text;
}

namespace {

// A transfer that never ends (SCS stuck low) collects bytes without limit; its first bytes and
// its length say enough.
constexpr size_t kBytesShown = 64;

std::string Shortened(const std::vector<uint8_t>& bytes) {
  if (bytes.size() <= kBytesShown) return HexBytes(bytes);
  return HexBytes({bytes.begin(), bytes.begin() + kBytesShown}) + " ... (" +
         std::to_string(bytes.size()) + " bytes)";
}

}  // namespace

bool RepeatsPoll(const Transfer& previous, const Transfer& next) {
  return previous.kind == Transfer::Kind::kRead && next.kind == Transfer::Kind::kRead &&
         previous.target == next.target && next.target != kFifoReg && next.target != kIdCodeReg;
}

std::string Describe(const Transfer& transfer, bool withReadData) {
  switch (transfer.kind) {
    case Transfer::Kind::kStrobe:
      return "strobe " + StrobeName(transfer.target);
    case Transfer::Kind::kWrite:
      return "write " + RegisterName(transfer.target) + " " + Shortened(transfer.data);
    case Transfer::Kind::kRead: {
      std::string text = "read " + RegisterName(transfer.target);
      if (withReadData) text += " -> " + Shortened(transfer.data);
      return text;
    }
  }
  return "?";
}

std::string Describe(const Finding& finding) {
  return "at cycle " + std::to_string(finding.at.cycles) + ": " + finding.what;
}

}  // namespace kitbuilder::simulator
