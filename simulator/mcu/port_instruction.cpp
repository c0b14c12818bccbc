#include "simulator/mcu/port_instruction.h"

#include <cctype>
#include <map>
#include <optional>
#include <sstream>
#include <tuple>

#include "engine/unsigned_number.h"

namespace kitbuilder::simulator {
namespace {

enum class AddressKind { kBit, kDirect };

/// An operand byte of an instruction that names a bit or a direct (SFR) address.
struct AddressOperand {
  size_t index;
  AddressKind kind;
  bool writes;  ///< also for read-modify-write
};

std::vector<AddressOperand> AddressOperands(uint8_t opcode) {
  using K = AddressKind;
  if (opcode >= 0xA8 && opcode <= 0xAF) return {{1, K::kDirect, false}};  // MOV Rn,direct
  if (opcode >= 0x88 && opcode <= 0x8F) return {{1, K::kDirect, true}};   // MOV direct,Rn
  switch (opcode) {
    case 0x20:  // JB
    case 0x30:  // JNB
    case 0x72:  // ORL C,bit
    case 0x82:  // ANL C,bit
    case 0xA0:  // ORL C,/bit
    case 0xA2:  // MOV C,bit
    case 0xB0:  // ANL C,/bit
      return {{1, K::kBit, false}};
    case 0x10:  // JBC
    case 0x92:  // MOV bit,C
    case 0xB2:  // CPL bit
    case 0xC2:  // CLR bit
    case 0xD2:  // SETB bit
      return {{1, K::kBit, true}};
    case 0x25:  // ADD A,direct
    case 0x35:  // ADDC A,direct
    case 0x45:  // ORL A,direct
    case 0x55:  // ANL A,direct
    case 0x65:  // XRL A,direct
    case 0x95:  // SUBB A,direct
    case 0xA6:  // MOV @R0,direct
    case 0xA7:  // MOV @R1,direct
    case 0xB5:  // CJNE A,direct,rel
    case 0xC0:  // PUSH direct
    case 0xE5:  // MOV A,direct
      return {{1, K::kDirect, false}};
    case 0x05:  // INC direct
    case 0x15:  // DEC direct
    case 0x42:  // ORL direct,A
    case 0x43:  // ORL direct,#data
    case 0x52:  // ANL direct,A
    case 0x53:  // ANL direct,#data
    case 0x62:  // XRL direct,A
    case 0x63:  // XRL direct,#data
    case 0x75:  // MOV direct,#data
    case 0x86:  // MOV direct,@R0
    case 0x87:  // MOV direct,@R1
    case 0xC5:  // XCH A,direct
    case 0xD0:  // POP direct
    case 0xD5:  // DJNZ direct,rel
    case 0xF5:  // MOV direct,A
      return {{1, K::kDirect, true}};
    case 0x85:  // MOV direct,direct: the source comes first
      return {{1, K::kDirect, false}, {2, K::kDirect, true}};
    default:
      return {};
  }
}

/// Port and bit of a bit address; bit addresses 0x80..0xFF are the bits of the SFRs at
/// multiples of 8, and the ports are the SFRs 0x80, 0x90, 0xA0 and 0xB0.
std::optional<std::pair<int, int>> PortBit(uint8_t bitAddress) {
  if (bitAddress < 0x80 || bitAddress >= 0xC0 || (bitAddress & 0x08) != 0) return std::nullopt;
  return std::make_pair((bitAddress - 0x80) >> 4, bitAddress & 0x07);
}

std::optional<int> Port(uint8_t direct) {
  if (direct < 0x80 || direct > 0xB0 || (direct & 0x0F) != 0) return std::nullopt;
  return (direct - 0x80) >> 4;
}

std::string WithoutControlSequences(const std::string& line) {
  std::string text;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\x1b') {
      // CSI: ESC [ parameters, ended by a letter.
      ++i;
      if (i < line.size() && line[i] == '[') {
        while (i + 1 < line.size() && !std::isalpha(static_cast<unsigned char>(line[i + 1]))) ++i;
        ++i;
      }
      continue;
    }
    if (line[i] != '\r') text += line[i];
  }
  return text;
}

bool IsByteToken(const std::string& token) {
  return token.size() == 2 && std::isxdigit(static_cast<unsigned char>(token[0])) &&
         std::isxdigit(static_cast<unsigned char>(token[1])) &&
         !std::isupper(static_cast<unsigned char>(token[0])) &&
         !std::isupper(static_cast<unsigned char>(token[1]));
}

}  // namespace

PortInstruction ClassifyPortInstruction(const std::vector<uint8_t>& bytes) {
  PortInstruction result;
  if (bytes.empty()) return result;
  for (const AddressOperand& operand : AddressOperands(bytes[0])) {
    if (operand.index >= bytes.size()) continue;
    const uint8_t address = bytes[operand.index];
    int port = -1;
    int bit = -1;
    if (operand.kind == AddressKind::kBit) {
      const auto portBit = PortBit(address);
      if (!portBit) continue;
      std::tie(port, bit) = *portBit;
    } else {
      const auto direct = Port(address);
      if (!direct) continue;
      port = *direct;
    }
    if (!operand.writes) {
      if (result.effect == PortInstruction::Effect::kNone) {
        result = {PortInstruction::Effect::kReadsPins, port, bit, 0};
      }
      continue;
    }
    switch (bytes[0]) {
      case 0xD2:
        return {PortInstruction::Effect::kSetsBit, port, bit, 0};
      case 0xC2:
        return {PortInstruction::Effect::kClearsBit, port, bit, 0};
      case 0x75:
        if (bytes.size() < 3) break;
        return {PortInstruction::Effect::kWritesByte, port, -1, bytes[2]};
      default:
        break;
    }
    return {PortInstruction::Effect::kUnfollowed, port, bit, 0};
  }
  return result;
}

bool IsBitWrite(PortInstruction::Effect effect) {
  return effect == PortInstruction::Effect::kSetsBit ||
         effect == PortInstruction::Effect::kClearsBit;
}

bool IsFollowedWrite(PortInstruction::Effect effect) {
  return IsBitWrite(effect) || effect == PortInstruction::Effect::kWritesByte;
}

bool RunsStraightOn(const std::vector<Instruction>& code, size_t i) {
  return i > 0 && i < code.size() &&
         code[i - 1].address + code[i - 1].bytes.size() == code[i].address &&
         !MayBranch(code[i - 1]);
}

bool EachRiseFallsStraightAfter(const std::vector<Instruction>& code,
                                const std::map<uint32_t, bool>& clockEdges) {
  for (size_t i = 0; i < code.size(); ++i) {
    const auto edge = clockEdges.find(code[i].address);
    if (edge == clockEdges.end() || !edge->second) continue;
    bool falls = false;
    for (size_t j = i + 1; RunsStraightOn(code, j); ++j) {
      const auto next = clockEdges.find(code[j].address);
      if (next == clockEdges.end()) continue;
      falls = !next->second;
      break;
    }
    if (!falls) return false;
  }
  return true;
}

bool IsJumpToItself(const Instruction& instruction) {
  const std::vector<uint8_t>& bytes = instruction.bytes;
  if (bytes.size() == 2 && bytes[0] == 0x80) return bytes[1] == 0xFE;  // relative to the next
  if (bytes.size() == 3 && bytes[0] == 0x02) {
    return (static_cast<uint32_t>(bytes[1]) << 8 | bytes[2]) == instruction.address;
  }
  return false;
}

bool MayBranch(const Instruction& instruction) {
  if (instruction.bytes.empty()) return true;
  const uint8_t opcode = instruction.bytes[0];
  if ((opcode & 0x1F) == 0x01 || (opcode & 0x1F) == 0x11) return true;  // AJMP, ACALL
  switch (opcode) {
    case 0x02:  // LJMP
    case 0x12:  // LCALL
    case 0x22:  // RET
    case 0x32:  // RETI
    case 0x73:  // JMP @A+DPTR
    case 0x80:  // SJMP
    case 0x10:  // JBC
    case 0x20:  // JB
    case 0x30:  // JNB
    case 0x40:  // JC
    case 0x50:  // JNC
    case 0x60:  // JZ
    case 0x70:  // JNZ
    case 0xD5:  // DJNZ direct
      return true;
    default:
      return (opcode >= 0xB4 && opcode <= 0xBF) ||
             (opcode >= 0xD8 && opcode <= 0xDF);  // CJNE, DJNZ
  }
}

std::set<uint32_t> WritesSeenAtTheNextStop(const std::vector<Instruction>& code) {
  std::set<uint32_t> seen;
  // From the end, so that whether the next port instruction keeps its stop is already known.
  bool revealed = false;  // the port instruction straight on is a write that keeps its stop
  for (size_t i = code.size(); i-- > 0;) {
    const Instruction& instruction = code[i];
    if (!RunsStraightOn(code, i + 1)) revealed = false;
    const PortInstruction access = ClassifyPortInstruction(instruction.bytes);
    if (access.effect == PortInstruction::Effect::kNone) continue;
    if (IsBitWrite(access.effect) && revealed) {
      seen.insert(instruction.address);
      revealed = false;  // the write before this one must stop: its effect would be hidden
    } else {
      // A read may run on without a stop, so it reveals nothing.
      revealed = access.effect != PortInstruction::Effect::kReadsPins;
    }
  }
  return seen;
}

namespace {

/// Machine cycles of the instructions a deferred write's way may pass, or nothing.
std::optional<uint64_t> WayCycles(const Instruction& instruction) {
  if (instruction.bytes.empty()) return std::nullopt;
  const uint8_t opcode = instruction.bytes[0];
  if ((opcode & 0x1F) == 0x01) return 2;  // AJMP
  switch (opcode) {
    case 0x00:  // NOP
    case 0xC2:  // CLR bit
    case 0xD2:  // SETB bit
      return 1;
    case 0x02:  // LJMP
    case 0x80:  // SJMP
      return 2;
    default:
      return std::nullopt;
  }
}

/// Where an unconditional jump goes, or nothing for any other instruction.
std::optional<uint32_t> JumpTarget(const Instruction& instruction) {
  const std::vector<uint8_t>& bytes = instruction.bytes;
  const uint32_t next = instruction.address + static_cast<uint32_t>(bytes.size());
  if (bytes.size() == 2 && bytes[0] == 0x80) {
    return static_cast<uint32_t>(static_cast<int32_t>(next) + static_cast<int8_t>(bytes[1]));
  }
  if (bytes.size() == 3 && bytes[0] == 0x02) return static_cast<uint32_t>(bytes[1] << 8 | bytes[2]);
  if (bytes.size() == 2 && (bytes[0] & 0x1F) == 0x01) {
    return (next & 0xF800) | static_cast<uint32_t>((bytes[0] & 0xE0) << 3 | bytes[1]);
  }
  return std::nullopt;
}

bool MayEnableInterrupts(const std::vector<Instruction>& code) {
  constexpr uint8_t kIe = 0xA8;  // IE, whose bits are the bit addresses 0xA8..0xAF
  for (const Instruction& instruction : code) {
    if (instruction.bytes.empty()) continue;
    for (const AddressOperand& operand : AddressOperands(instruction.bytes[0])) {
      if (!operand.writes || operand.index >= instruction.bytes.size()) continue;
      const uint8_t address = instruction.bytes[operand.index];
      if (operand.kind == AddressKind::kDirect ? address == kIe : (address & 0xF8) == kIe) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

std::vector<DeferredWrite> WritesDeferredToALaterWrite(const std::vector<Instruction>& code,
                                                       const std::set<uint32_t>& hidden,
                                                       const std::set<uint32_t>& keep) {
  if (MayEnableInterrupts(code)) return {};
  std::map<uint32_t, size_t> at;  // address -> index in code
  for (size_t i = 0; i < code.size(); ++i) at[code[i].address] = i;
  struct Found {
    DeferredWrite write;
    PortInstruction access;
  };
  std::vector<Found> found;
  bool revealsHidden = false;  // a hidden write runs straight on into this instruction
  for (size_t i = 0; i < code.size(); ++i) {
    const Instruction& instruction = code[i];
    if (!RunsStraightOn(code, i)) revealsHidden = false;
    const PortInstruction access = ClassifyPortInstruction(instruction.bytes);
    const bool bitWrite = IsBitWrite(access.effect);
    const bool revealer = revealsHidden;
    if (access.effect != PortInstruction::Effect::kNone) {
      revealsHidden = hidden.count(instruction.address) != 0;
    }
    // A write that reveals a hidden one must keep its log, or that one's would move.
    if (!bitWrite || revealer || hidden.count(instruction.address) != 0 ||
        keep.count(instruction.address) != 0) {
      continue;
    }
    uint64_t cycles = 1;
    uint32_t next = instruction.address + static_cast<uint32_t>(instruction.bytes.size());
    // A short way: the writes that matter are a few instructions before their revealer.
    for (int step = 0; step < 8; ++step) {
      const auto index = at.find(next);
      if (index == at.end()) break;
      const Instruction& on = code[index->second];
      const PortInstruction onAccess = ClassifyPortInstruction(on.bytes);
      if (onAccess.effect != PortInstruction::Effect::kNone && hidden.count(on.address) == 0) {
        if (IsFollowedWrite(onAccess.effect) && onAccess.port == access.port) {
          found.push_back({{instruction.address, on.address, cycles}, access});
        }
        break;
      }
      if (onAccess.effect != PortInstruction::Effect::kNone &&
          (onAccess.port != access.port || onAccess.bit == access.bit)) {
        break;  // a hidden write of this pin would hide this one; of another port, its latch
      }
      const auto onCycles = WayCycles(on);
      if (!onCycles) break;
      cycles += *onCycles;
      const auto target = JumpTarget(on);
      next = target ? *target : on.address + static_cast<uint32_t>(on.bytes.size());
    }
  }
  // Two writes that set one pin alike on their way to one revealer cannot be told apart.
  std::map<std::tuple<uint32_t, int, PortInstruction::Effect>, int> alike;
  for (const Found& f : found) ++alike[{f.write.revealer, f.access.bit, f.access.effect}];
  std::vector<DeferredWrite> deferred;
  for (const Found& f : found) {
    if (alike[{f.write.revealer, f.access.bit, f.access.effect}] == 1) deferred.push_back(f.write);
  }
  return deferred;
}

std::vector<Instruction> ParseDisassembly(const std::string& listing) {
  std::vector<Instruction> instructions;
  std::istringstream lines(listing);
  std::string raw;
  while (std::getline(lines, raw)) {
    const std::string line = WithoutControlSequences(raw);
    if (line.rfind("0x", 0) != 0) continue;
    std::istringstream tokens(line);
    std::string address;
    tokens >> address;
    const auto at = ReadUnsigned(std::string_view(address).substr(2), 16);
    if (!at || *at > UINT32_MAX) continue;
    Instruction instruction;
    instruction.address = static_cast<uint32_t>(*at);
    // Flag columns ("F?", "?") come before the bytes; the bytes are lower-case hex, the
    // mnemonic upper-case.
    std::string token;
    while (tokens >> token && !IsByteToken(token)) {
      if (token.find_first_not_of("F?") != std::string::npos) break;
    }
    while (IsByteToken(token) && instruction.bytes.size() < 3) {
      instruction.bytes.push_back(static_cast<uint8_t>(ReadUnsigned(token, 16).value_or(0)));
      if (!(tokens >> token)) token.clear();
    }
    if (instruction.bytes.empty()) continue;
    std::string rest;
    std::getline(tokens, rest);
    instruction.text = token + rest;
    instructions.push_back(std::move(instruction));
  }
  return instructions;
}

}  // namespace kitbuilder::simulator
