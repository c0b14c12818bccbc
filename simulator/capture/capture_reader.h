#pragma once
// Reads a logic analyzer's capture with libsigrok, a sigrok session file (.sr, as PulseView and
// sigrok-cli save) or any of its input formats (VCD, CSV, ...), and streams it: the samples are
// turned into changes of the radio's lines chunk by chunk, so a capture of any length is read in
// the memory of one chunk. A reading can be called off while it streams.

#include <atomic>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "simulator/capture/channel_mapping.h"
#include "simulator/capture/line_change.h"

namespace kitbuilder::simulator {

/// Picks the lines' channels once the capture's channel names are known.
using ChannelChooser =
    std::function<std::variant<ChannelMapping, MappingRefusal>(const std::vector<std::string>&)>;

struct CaptureReading {
  enum class Status {
    kRead,        ///< every sample went to the observers
    kUnmapped,    ///< the chooser refused the channels; nothing was streamed
    kUnreadable,  ///< the file could not be opened or read, or gives no sample rate
    kCancelled,   ///< called off while streaming; the observers were not told of an end
  };
  Status status = Status::kUnreadable;
  std::string message;
  std::vector<std::string> channels;  ///< the capture's logic channels, in its order
};

/// The observers are told of the start, every change of a mapped line and the end, in order.
/// `cancel`, when given and set, stops the reading at the next packet of samples.
CaptureReading ReadCapture(const std::string& path, const ChannelChooser& choose,
                           const std::vector<CaptureObserver*>& observers,
                           const std::atomic<bool>* cancel = nullptr);

/// The capture's logic channels, in its order, read from its header alone: for asking which
/// carries which line before the capture is read. Else why the file cannot be read.
std::variant<std::vector<std::string>, std::string> ReadCaptureChannels(const std::string& path);

}  // namespace kitbuilder::simulator
