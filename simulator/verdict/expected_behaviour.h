#pragma once
// What the generated firmware owes the chip, worked out from the settings alone: the start-up
// transfers, the transfers of one loop pass for each outcome of the exchange, the PN9 payload and
// the register default table. The check holds the radio model's transcript against these.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "simulator/radio/radio_registers.h"
#include "simulator/radio/transcript.h"
#include "simulator/verdict/firmware_settings.h"

namespace kitbuilder::simulator {

/// A transfer the firmware must make. Answers that are the model's own choice (status and
/// calibration reads) are not compared.
struct ExpectedTransfer {
  Transfer::Kind kind = Transfer::Kind::kStrobe;
  uint8_t target = 0;
  std::vector<uint8_t> data;
  bool compareData = true;
};

/// How one pass of the endless loop goes, as the peer arranges it.
enum class PassOutcome {
  kSent,        ///< TX: the packet went out
  kGoodPacket,  ///< a packet (or ACK) with a good CRC arrived in time
  kBadCrc,      ///< a packet (or ACK) with a bad CRC arrived in time
  kNoAnswer,    ///< TX with ACK: nothing arrived within the wait
};

/// The 64-byte payload table: the bit sequence a(n+9) = a(n) XOR a(n+4) from nine ones, packed
/// eight bits a byte, earliest bit first, with 0xE0 as the last byte.
std::vector<uint8_t> Pn9Table();

/// The register default table for the wiring, indexed by address 0x00..0x38.
std::array<uint8_t, 0x39> RegisterDefaults(int wires, int wtrGio);

/// The same units in machine cycles of the code SDCC 4.2 makes of the loops: what one more unit
/// of Delay1ms(n) and of Delay100us_WTR(n) adds, as measured in s51 (SdccDelayLoops proves them).
constexpr uint64_t kSdccCyclesPerMillisecond = 8505;
constexpr uint64_t kSdccCyclesPerWaitUnit = 1009;

std::vector<ExpectedTransfer> ExpectedStartup(const FirmwareSettings& config);

/// One pass of the loop; `answer` is what the peer sent in it (the packet received in RX modes,
/// the ACK in TX with ACK).
std::vector<ExpectedTransfer> ExpectedPass(const FirmwareSettings& config, PassOutcome outcome,
                                           const std::vector<uint8_t>& answer);

/// Where `actual` first departs from `expected`: the index and both records as text ("(no
/// more)" past an end).
struct TranscriptDifference {
  size_t index = 0;
  std::string expected;
  std::string made;
};

/// Nothing when they agree. With `ownPayload`, the bytes written to the TX FIFO are the
/// firmware's own and only their number is compared.
std::optional<TranscriptDifference> FirstDifference(const std::vector<ExpectedTransfer>& expected,
                                                    const std::vector<Transfer>& actual,
                                                    bool ownPayload = false);

}  // namespace kitbuilder::simulator
