#include "simulator/mcu/s51_log.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "simulator/mcu/s51_reply.h"

namespace kitbuilder::simulator {
namespace {

constexpr char kResumed[] = "Simulation started, PC=0x";

/// The value of a line that is one hex number and nothing else ("0x" first when `prefixed`).
std::optional<uint64_t> HexLine(const std::string& line, bool prefixed) {
  const size_t digits = prefixed ? 2 : 0;
  if (line.size() <= digits || (prefixed && line.compare(0, 2, "0x") != 0)) return std::nullopt;
  for (size_t i = digits; i < line.size(); ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(line[i]))) return std::nullopt;
  }
  return std::strtoull(line.c_str() + digits, nullptr, 16);
}

/// The hit whose script printed `output`, s51 going on at `pc`: a RAM write's word and the clock
/// count, or a port write's clock count after the latches, if printed. Lines that are no hex
/// number (the loader's, which may come late) are not the script's.
std::optional<S51LoggedHit> ReadHit(const std::string& output, uint32_t pc) {
  std::vector<uint64_t> plain;
  std::optional<uint64_t> ram;
  size_t begin = 0;
  while (begin < output.size()) {
    size_t end = output.find('\n', begin);
    if (end == std::string::npos) end = output.size();
    const std::string line = output.substr(begin, end - begin);
    begin = end + 1;
    if (const auto word = HexLine(line, true)) {
      if (ram) return std::nullopt;
      ram = word;
    } else if (const auto number = HexLine(line, false)) {
      plain.push_back(*number);
    }
  }
  if (plain.empty() || plain.size() > (ram ? 1u : 2u) || (ram && *ram > 0xFFFF)) {
    return std::nullopt;
  }
  S51LoggedHit hit;
  hit.clocks = static_cast<uint32_t>(plain.back());
  if (ram) {
    hit.kind = S51LoggedHit::Kind::kRamWrite;
    hit.address = static_cast<uint8_t>(*ram >> 8);
    hit.value = static_cast<uint8_t>(*ram);
    return hit;
  }
  hit.pc = pc;
  if (plain.size() == 2) hit.latches = static_cast<uint32_t>(plain.front());
  return hit;
}

}  // namespace

std::string S51RamWriteScript(uint32_t address) {
  char text[96];
  std::snprintf(text, sizeof text, "expression /X 0x%X|iram_chip[0x%X];expression /x sim_ticks;go",
                address << 8, address);
  return text;
}

std::string S51PortWriteScript(int latchPort, const std::vector<std::string>& assignments) {
  std::string script;
  if (latchPort >= 0) {
    // The SFR memory behind a port's SFR holds its latch; the SFR itself would give the pins.
    char latch[48];
    std::snprintf(latch, sizeof latch, "expression /x sfr_chip[0x%X];", latchPort * 0x10);
    script = latch;
  }
  script += "expression /x ";
  for (const std::string& assignment : assignments) script += "(" + assignment + "),";
  return script + "sim_ticks;go";
}

S51Log ReadS51Log(const std::string& reply) {
  S51Log log;
  size_t from = reply.find(kResumed);
  if (from == std::string::npos) {
    log.stop = reply;
    return log;
  }
  for (size_t next = reply.find(kResumed, from + 1); next != std::string::npos;
       from = next, next = reply.find(kResumed, next + 1)) {
    const size_t outputStart = reply.find('\n', from);
    const std::string output =
        outputStart < next ? reply.substr(outputStart + 1, next - outputStart - 1) : "";
    const auto pc = std::strtoul(reply.c_str() + next + sizeof kResumed - 1, nullptr, 16);
    const auto hit = ReadHit(output, static_cast<uint32_t>(pc));
    if (!hit) {
      log.error =
          "s51 logged \"" + output + "\" at " + reply.substr(next, reply.find('\n', next) - next);
      break;
    }
    log.hits.push_back(*hit);
  }
  log.stop = reply.substr(from);
  return log;
}

}  // namespace kitbuilder::simulator
