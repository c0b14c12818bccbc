#include "simulator/capture/channel_mapping.h"

#include <algorithm>
#include <cctype>

namespace kitbuilder::simulator {
namespace {

constexpr ChipLine kLines[kChipLineCount] = {ChipLine::kScs, ChipLine::kSck, ChipLine::kSdio,
                                             ChipLine::kGio1, ChipLine::kGio2};

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

/// "A, B, C", or with `last` "A, B or C".
std::string Joined(const std::vector<std::string>& names, const char* last = ", ") {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    text += (i == 0 ? "" : i + 1 == names.size() ? last : ", ") + names[i];
  }
  return text;
}

std::optional<ChipLine> LineNamed(const std::string& name) {
  for (ChipLine line : kLines) {
    if (SameName(name, LineName(line))) return line;
  }
  return std::nullopt;
}

/// The channels named `name`: the one spelt exactly so if there is one, else those alike in
/// any case.
std::vector<size_t> ChannelsNamed(const std::vector<std::string>& channels,
                                  const std::string& name) {
  std::vector<size_t> alike;
  for (size_t i = 0; i < channels.size(); ++i) {
    if (channels[i] == name) return {i};
    if (SameName(channels[i], name)) alike.push_back(i);
  }
  return alike;
}

/// "--channels SCS=D0,SCK=D1,...": the lines already found keep their channels, the others get
/// the unused channels in order, which a user then corrects rather than types.
std::string OptionToGive(const std::vector<std::string>& channels, const ChannelMapping& found,
                         LineSet lines) {
  std::vector<bool> taken(channels.size());
  for (const std::optional<size_t>& channel : found) {
    if (channel) taken[*channel] = true;
  }
  std::string option;
  size_t next = 0;
  for (ChipLine line : kLines) {
    const std::optional<size_t>& channel = found[static_cast<size_t>(line)];
    if (!lines.test(static_cast<size_t>(line)) && !channel) continue;
    while (!channel && next < channels.size() && taken[next]) ++next;
    const std::string name = channel                  ? channels[*channel]
                             : next < channels.size() ? channels[next++]
                                                      : "CHANNEL";
    option += (option.empty() ? "" : ",") + std::string(LineName(line)) + "=" + name;
  }
  return "--channels " + option;
}

std::string ChannelsAre(const std::vector<std::string>& channels) {
  return "the capture's channels are " + Joined(channels);
}

std::variant<ChannelMapping, MappingRefusal> MapByName(const std::vector<std::string>& channels,
                                                       LineSet required) {
  ChannelMapping mapping;
  std::vector<std::string> missing;
  for (ChipLine line : kLines) {
    const std::vector<size_t> named = ChannelsNamed(channels, LineName(line));
    if (named.size() > 1) {
      return MappingRefusal{"channels " + channels[named[0]] + " and " + channels[named[1]] +
                            " are both named like " + LineName(line) +
                            ": say which carries it with --channels " + LineName(line) + "=" +
                            channels[named[0]]};
    }
    if (named.size() == 1) {
      mapping[static_cast<size_t>(line)] = named[0];
    } else if (required.test(static_cast<size_t>(line))) {
      missing.push_back(LineName(line));
    }
  }
  if (missing.empty()) return mapping;
  return MappingRefusal{"no channel is named " + Joined(missing, " or ") + "; " +
                        ChannelsAre(channels) + ": say which carries which line with " +
                        OptionToGive(channels, mapping, required)};
}

std::variant<ChannelMapping, MappingRefusal> MapAsGiven(const std::vector<std::string>& channels,
                                                        const std::string& given,
                                                        LineSet required) {
  ChannelMapping mapping;
  size_t begin = 0;
  while (begin <= given.size()) {
    const size_t end = std::min(given.find(',', begin), given.size());
    const std::string item = given.substr(begin, end - begin);
    begin = end + 1;
    const size_t equals = item.find('=');
    if (equals == std::string::npos) {
      return MappingRefusal{"--channels: \"" + item + "\" is not LINE=CHANNEL, as in SCS=D0"};
    }
    const std::string lineText = item.substr(0, equals);
    const std::string channel = item.substr(equals + 1);
    const std::optional<ChipLine> line = LineNamed(lineText);
    if (!line) {
      return MappingRefusal{"--channels: " + lineText +
                            " is not a radio line; the lines are SCS, SCK, SDIO, GIO1 and GIO2"};
    }
    std::optional<size_t>& slot = mapping[static_cast<size_t>(*line)];
    if (slot) return MappingRefusal{"--channels: " + lineText + " is given twice"};
    const std::vector<size_t> named = ChannelsNamed(channels, channel);
    if (named.size() != 1) {
      return MappingRefusal{"--channels: the capture has " +
                            std::string(named.empty() ? "no channel " : "more than one channel ") +
                            channel + "; " + ChannelsAre(channels)};
    }
    for (ChipLine other : kLines) {
      if (mapping[static_cast<size_t>(other)] == named[0]) {
        return MappingRefusal{"--channels: " + channel + " is given for both " + LineName(other) +
                              " and " + LineName(*line)};
      }
    }
    slot = named[0];
  }
  LineSet missing;
  for (ChipLine line : kLines) {
    const size_t i = static_cast<size_t>(line);
    missing.set(i, required.test(i) && !mapping[i]);
  }
  if (missing.none()) return mapping;
  std::vector<std::string> names;
  for (ChipLine line : kLines) {
    if (missing.test(static_cast<size_t>(line))) names.push_back(LineName(line));
  }
  return MappingRefusal{"--channels gives no channel for " + Joined(names, " and ") +
                        ", which the board uses; " + ChannelsAre(channels)};
}

}  // namespace

ChannelMapping ChannelsNamedLikeTheLines(const std::vector<std::string>& channels) {
  ChannelMapping mapping;
  for (ChipLine line : kLines) {
    const std::vector<size_t> named = ChannelsNamed(channels, LineName(line));
    if (named.size() == 1) mapping[static_cast<size_t>(line)] = named[0];
  }
  return mapping;
}

std::variant<ChannelMapping, MappingRefusal> MapChannels(const std::vector<std::string>& channels,
                                                         const std::optional<std::string>& given,
                                                         LineSet required) {
  if (given) return MapAsGiven(channels, *given, required);
  return MapByName(channels, required);
}

}  // namespace kitbuilder::simulator
