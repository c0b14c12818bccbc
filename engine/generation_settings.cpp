#include "engine/generation_settings.h"

namespace kitbuilder {

ModeValues DefaultModeValues(int32_t operatingMode) {
  ModeValues values;
  switch (operatingMode) {
    case kModeRx:
      values.delayMs = 8;
      break;
    case kModeTxAck:
      values.length = 9;
      break;
    case kModeRxAck:
      values.length = 9;
      values.delayMs = 8;
      break;
    default:
      break;
  }
  return values;
}

void PlaceModeValues(int32_t operatingMode, const ModeValues& values, RfParameters* rf) {
  rf->modeValue1 = values.length;
  if (operatingMode == kModeTxAck || operatingMode == kModeRxAck) {
    rf->modeValue2 = values.ackLength;
    rf->modeValue3 = values.restState;
    rf->modeValue4 = values.delayMs;
    if (operatingMode == kModeTxAck) rf->modeValue5 = values.wait100us;
  } else {
    rf->modeValue2 = values.restState;
    rf->modeValue3 = values.delayMs;
  }
}

ModeValues TakeModeValues(int32_t operatingMode, const RfParameters& rf) {
  ModeValues values = DefaultModeValues(operatingMode);
  values.length = rf.modeValue1;
  if (operatingMode == kModeTxAck || operatingMode == kModeRxAck) {
    values.ackLength = rf.modeValue2;
    values.restState = rf.modeValue3;
    values.delayMs = rf.modeValue4;
    if (operatingMode == kModeTxAck) values.wait100us = rf.modeValue5;
  } else {
    values.restState = rf.modeValue2;
    values.delayMs = rf.modeValue3;
  }
  return values;
}

GenerationSettings DefaultSettings(int32_t operatingMode) {
  GenerationSettings settings;
  settings.operatingMode = operatingMode;
  PlaceModeValues(operatingMode, DefaultModeValues(operatingMode), &settings.rf);
  return settings;
}

}  // namespace kitbuilder
