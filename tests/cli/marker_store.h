#pragma once
// A text store whose skeleton is nothing but the composer's placeholders, each behind a label,
// and which holds no fragment. Every setting then shows in the composed text in a form the tests
// can search: a number where it is printed, and "LoadStr <id>" where a fragment was chosen.

#include <string_view>

#include "engine/text_store.h"

namespace kitbuilder::cli::testing {

inline constexpr std::string_view kMarkerSkeleton =
    "[[PIN_DEFINE]]"
    "GPIO=[[GPIO_SETTING]]"
    "ID=[[RF_ID_VALUE]]\r\n"
    "POWER=[[CHANGE_TXPOWER]]"
    "RATE=[[CHANGE_DATARATE]]"
    "[[SET_RADIO_CHANNEL]]\r\n"
    "READ=[[RF_READ]]"
    "PROCESS=[[RF_PROCESS]]"
    "TX=[[TX_LENGTH]] RX=[[RX_LENGTH]] ACK=[[ACK_LENGTH]] DELAY=[[DELAY_TIME]] "
    "WAIT=[[WAIT_TIME]]\r\n";

inline constexpr std::string_view kMarkerTypeHeader = "type header\r\n";
inline constexpr std::string_view kMarkerRegisterHeader = "register header\r\n";

class MarkerStore : public TextStore {
 public:
  /// `withSkeleton` false leaves template 161 out, so that composing fails with -1.
  explicit MarkerStore(bool withSkeleton = true) : withSkeleton_(withSkeleton) {}

  FetchResult Fetch(std::string_view kind, uint16_t id) const override {
    const bool isTemplate = kind == "TXT" || kind == "txt";
    if (isTemplate && id == 161 && withSkeleton_) return {FetchStatus::kFound, kMarkerSkeleton};
    if (isTemplate && id == 160) return {FetchStatus::kFound, kMarkerTypeHeader};
    if (isTemplate && id == 211) return {FetchStatus::kFound, kMarkerRegisterHeader};
    return {FetchStatus::kNotFound, {}};
  }

 private:
  bool withSkeleton_;
};

}  // namespace kitbuilder::cli::testing
