#pragma once
// Every time the radio model assumes of the chip, in one place: what the check's verdict on the
// firmware's timing rests on. The README lists the same values. The air time of a packet is in
// air.h (AirMicroseconds), from the packet format given there.

namespace kitbuilder::simulator {

/// From the end of the CMD_TX strobe to the packet's first bit on the air: the synthesizer
/// locks from standby and the power amplifier ramps up. WTR is high from the strobe on.
constexpr double kTxSettleMicroseconds = 60.0;

/// From the end of the CMD_RX strobe to the moment the receiver hears: a packet whose first bit
/// comes sooner is not received. WTR is high from the strobe on.
constexpr double kRxSettleMicroseconds = 60.0;

/// What the crystal needs after sleep before the radio may transmit or receive. The firmware
/// waits 1 ms for it; the model asks for most of that, so that a wait that is missing or far
/// too short is caught on any clock while a 1 ms wait that is a little short still passes.
constexpr double kCrystalSettleMicroseconds = 800.0;

/// A calibration answers busy on this many reads of CALIBRATION_REG before it reads back done,
/// however long the reads take: the model counts polls, it does not time the calibration.
constexpr int kCalibrationBusyReads = 3;

// When WTR rises and falls (on the GIO line set up for it):
// - it rises as the CMD_TX or CMD_RX strobe ends, settling included;
// - in TX it falls when the packet's last bit has left; the chip is in standby again;
// - in RX it falls when a packet on the chip's channel, data rate and ID, heard from its first
//   bit to its last, has arrived; the chip is in standby again;
// - a strobe to another state ends TX or RX at once and WTR falls; a packet still on the air
//   is cut and reaches no one.

}  // namespace kitbuilder::simulator
