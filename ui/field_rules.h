#pragma once
// What the number fields of the form and the mode pages do with their text: the frequency
// readout of the channel and the corrections applied when a field is left or a build starts.

#include <QString>
#include <cstdint>
#include <optional>

#include "engine/generation_settings.h"

namespace kitbuilder::ui {

/// The number a field holds, read like "%d" ("007" is 7, "12ab" is 12). A text without a number
/// counts as 0, so that the corrections below bring an emptied field into range.
int32_t FieldNumber(const QString& text);

/// "Frequency = 2450.0MHz" for channel 100: 2400 MHz plus half a MHz per channel.
QString FrequencyReadout(const QString& channelText);

struct ChannelCorrection {
  QString text;           ///< always rewritten, so leading zeros go
  QString statusMessage;  ///< empty when the channel was within 0..166
};

/// Brings the channel into 0..166 and says so in the status line when it had to.
ChannelCorrection CorrectChannel(const QString& channelText);

/// Packet lengths are 1..64. Returns the new text, or nothing when the text stays as it is.
std::optional<QString> CorrectLength(const QString& text);

/// Delays and waits are 0..255. Returns the new text, or nothing when the text stays.
std::optional<QString> CorrectAtMost255(const QString& text);

/// The values of a mode page as its fields would hold them after the corrections above.
ModeValues CorrectedModeValues(ModeValues values);

}  // namespace kitbuilder::ui
