#pragma once
// The chip's end of the software-clocked serial interface: SCS low frames a transfer, SCK idles
// low, a bit is taken from SDIO on every rising SCK edge, most significant bit first. When a
// transfer turns into a read, each answer bit is put out after a falling edge, so that it is in
// place when the microcontroller samples it before the next rising edge.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kitbuilder::simulator {

class SerialLink {
 public:
  /// The chip behind the link: takes the bytes in and supplies the bytes to answer with.
  class Client {
   public:
    virtual ~Client() = default;
    virtual void TransferStarted() = 0;
    /// A whole byte came in; true when the transfer now turns into a read.
    virtual bool ByteIn(uint8_t byte) = 0;
    /// The byte that would go out next, without taking it; nothing when there is none.
    virtual std::optional<uint8_t> PeekByteOut() = 0;
    /// The microcontroller has clocked all eight bits of the byte last peeked.
    virtual void ByteOutTaken(uint8_t byte) = 0;
    virtual void TransferEnded() = 0;
    /// A breach of the line protocol, in words.
    virtual void Violation(const std::string& what) = 0;
  };

  explicit SerialLink(Client& client) : client_(client) {}

  /// The current levels of the three input lines as the chip's pins see them. Changes are taken
  /// in the order SCS, SDIO, SCK, which only matters when a wiring fault moves several at once.
  void Sense(bool scs, bool sck, bool sdio);

  /// The level the link drives on its data output now, or nothing when it does not drive.
  std::optional<bool> DataOut() const;
  /// The levels the link drives after each of the coming rising edges of SCK while nothing else
  /// moves: the bits of the byte it is sending that are still to come. Empty when it sends none.
  std::vector<bool> LevelsAtNextRisingEdges() const;
  /// Whether no transfer is under way, so that the clock edges change nothing the chip puts out.
  bool Idle() const { return phase_ == Phase::kIdle; }

 private:
  enum class Phase { kIdle, kReceiving, kSending, kDrained };

  void Select();
  void Deselect();
  void RisingEdge();
  void FallingEdge();

  Client& client_;
  // The board's latches start high, so all lines are high before the firmware runs.
  bool scs_ = true;
  bool sck_ = true;
  bool sdio_ = true;
  Phase phase_ = Phase::kIdle;
  int bits_ = 0;  // bits of the current byte, in or out
  uint8_t shift_ = 0;
  std::optional<uint8_t> outgoing_;
  bool driving_ = false;
  bool strayClockReported_ = false;
};

}  // namespace kitbuilder::simulator
