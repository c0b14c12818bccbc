#pragma once
// What an 8051 instruction does to the port pins P0..P3, judged from its bytes. The simulator
// run stops before every such instruction: before a read it puts the chip's levels on the pins,
// and from a write it learns the new latch levels without asking the simulator.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kitbuilder::simulator {

struct PortInstruction {
  enum class Effect {
    kNone,        ///< touches no port
    kReadsPins,   ///< reads pins or latches and writes no port
    kSetsBit,     ///< SETB of a port bit
    kClearsBit,   ///< CLR of a port bit
    kWritesByte,  ///< MOV of an immediate value to a port
    kUnfollowed,  ///< writes a port in a way the run does not follow (from A, C, a register...)
  };
  Effect effect = Effect::kNone;
  int port = -1;      ///< 0..3
  int bit = -1;       ///< for the bit instructions
  uint8_t value = 0;  ///< for kWritesByte
};

/// The port access of the instruction whose bytes (opcode first) are given.
PortInstruction ClassifyPortInstruction(const std::vector<uint8_t>& bytes);

/// SETB or CLR of a port bit.
bool IsBitWrite(PortInstruction::Effect effect);
/// A port write the run follows: a bit write or a byte written.
bool IsFollowedWrite(PortInstruction::Effect effect);

/// One instruction of a disassembly.
struct Instruction {
  uint32_t address = 0;
  std::vector<uint8_t> bytes;
  std::string text;  ///< the disassembler's mnemonic and operands
};

/// Whether the instruction is an unconditional jump to itself (SJMP $ or LJMP $): a loop that
/// no outside event ends, which is how SDCC compiles `while(1);`.
bool IsJumpToItself(const Instruction& instruction);

/// Whether execution may go anywhere but on to the next instruction: a jump, call, return or
/// conditional branch.
bool MayBranch(const Instruction& instruction);

/// Whether execution runs straight on from `code[i - 1]` into `code[i]`: the two lie one after
/// the other and the first does not branch.
bool RunsStraightOn(const std::vector<Instruction>& code, size_t i);

/// Whether each write in `clockEdges` (address -> it sets the clock) that sets the clock runs
/// straight on into one that clears it, so that every write that sets it is a rising edge.
bool EachRiseFallsStraightAfter(const std::vector<Instruction>& code,
                                const std::map<uint32_t, bool>& clockEdges);

/// The bit writes of `code` (in address order) whose effect needs no stop of its own: straight
/// on, without a branch, execution reaches a port write that is not in the result, and a stop
/// there sees the new latch. A read comes between never: it may run on without a stop. The first
/// such stop reveals the one write before it; two writes in a row to one pin (a clock pulse) are
/// never both in the result.
std::set<uint32_t> WritesSeenAtTheNextStop(const std::vector<Instruction>& code);

/// A bit write whose effect the latch reported at a later port write shows, and when it ran.
struct DeferredWrite {
  uint32_t address = 0;
  uint32_t revealer = 0;  ///< the port write whose stop or log reveals it
  uint64_t cycles = 0;    ///< machine cycles from the write's start to the revealer's
};

/// The bit writes of `code` (bar those in `keep`) whose effect a later port write reveals with
/// their exact time: from the write, execution goes on only through NOPs, unconditional jumps
/// and writes of other pins in `hidden` to the revealer, which reports one port's latch. Which
/// write it was the latch tells: no other write sets the same level on the same pin on its way
/// to that revealer. Nothing when the firmware may enable interrupts, which would take time in
/// between.
std::vector<DeferredWrite> WritesDeferredToALaterWrite(const std::vector<Instruction>& code,
                                                       const std::set<uint32_t>& hidden,
                                                       const std::set<uint32_t>& keep);

/// The instructions of s51's `dc` listing ("0x00d9  ? d2 b1    SETB   0xb1...", other lines such
/// as labels skipped). Terminal control sequences in the text are dropped.
std::vector<Instruction> ParseDisassembly(const std::string& listing);

}  // namespace kitbuilder::simulator
