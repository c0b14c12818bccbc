#pragma once
// Which channel of a capture carries which radio line: given as
// "SCS=D0,SCK=D1,SDIO=D2,GIO1=D3,GIO2=D4", or, without that, the channels named like the lines
// in any case. Lines the board does not use may be left out; channels no line names are ignored.

#include <array>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "simulator/capture/line_change.h"

namespace kitbuilder::simulator {

/// For each line, the position of its channel in the capture's list, if it has one.
using ChannelMapping = std::array<std::optional<size_t>, kChipLineCount>;

struct MappingRefusal {
  std::string message;  ///< names the capture's channels and the option to give
};

/// The lines whose name one channel bears, in any case (the one spelt exactly so if several
/// are alike): the mapping a user is offered before choosing.
ChannelMapping ChannelsNamedLikeTheLines(const std::vector<std::string>& channels);

/// `given` is the option's text, if there was one; `required` the lines the board uses, which
/// must each have a channel.
std::variant<ChannelMapping, MappingRefusal> MapChannels(const std::vector<std::string>& channels,
                                                         const std::optional<std::string>& given,
                                                         LineSet required);

}  // namespace kitbuilder::simulator
