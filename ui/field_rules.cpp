#include "ui/field_rules.h"

#include "engine/decimal_number.h"

namespace kitbuilder::ui {
namespace {

constexpr int32_t kHighestChannel = 166;
constexpr int32_t kShortestPacket = 1;
constexpr int32_t kLongestPacket = 64;
constexpr int32_t kLongestDelay = 255;

bool HoldsNumber(const QString& text) {
  return ReadDecimalNumber(text.toStdString()).has_value();
}

}  // namespace

int32_t FieldNumber(const QString& text) {
  return ReadDecimalNumber(text.toStdString()).value_or(0);
}

QString FrequencyReadout(const QString& channelText) {
  const double megahertz = FieldNumber(channelText) * 0.5 + 2400;
  return QString::asprintf("Frequency = %4.1fMHz", megahertz);
}

ChannelCorrection CorrectChannel(const QString& channelText) {
  int32_t channel = FieldNumber(channelText);
  QString message;
  if (channel < 0) {
    channel = 0;
    message = QStringLiteral("The PLL1 value too small. Now fixed it to 0.");
  } else if (channel > kHighestChannel) {
    channel = kHighestChannel;
    message = QStringLiteral("The PLL1 value too large. Now fixed it to 166.");
  }
  return {QString::number(channel), message};
}

std::optional<QString> CorrectLength(const QString& text) {
  const int32_t length = FieldNumber(text);
  if (length > kLongestPacket) return QString::number(kLongestPacket);
  if (length < kShortestPacket) return QString::number(kShortestPacket);
  return std::nullopt;
}

std::optional<QString> CorrectAtMost255(const QString& text) {
  // The firmware takes these as an unsigned byte: a pasted -5 would wait 251 units.
  if (!HoldsNumber(text) || FieldNumber(text) < 0) return QStringLiteral("0");
  if (FieldNumber(text) > kLongestDelay) return QString::number(kLongestDelay);
  return std::nullopt;
}

ModeValues CorrectedModeValues(ModeValues values) {
  for (int32_t* length : {&values.length, &values.ackLength}) {
    if (const auto corrected = CorrectLength(QString::number(*length)))
      *length = corrected->toInt();
  }
  for (int32_t* delay : {&values.delayMs, &values.wait100us}) {
    if (const auto corrected = CorrectAtMost255(QString::number(*delay)))
      *delay = corrected->toInt();
  }
  return values;
}

}  // namespace kitbuilder::ui
