#pragma once
// The lines of a capture as the result window draws them: each change, read on the worker while
// the capture streams, put on the board's clock as the bus decoder puts the transfers, so that
// the picture's pieces fall where the report's times say. A capture may hold hundreds of
// millions of samples; only its first changes are kept, enough for the start-up and the first
// passes, so that the picture costs the same few megabytes whatever the capture's length.

#include <cstddef>

#include "engine/generation_settings.h"
#include "simulator/capture/line_change.h"
#include "ui/line_recording.h"

namespace kitbuilder::ui {

class CapturedLines : public simulator::CaptureObserver {
 public:
  /// The changes kept at most: the start-up and a pass take a few thousand.
  static constexpr size_t kMostChanges = 200000;

  CapturedLines(const McuClock& clock, size_t mostChanges = kMostChanges);

  void CaptureBegins(const simulator::CaptureStart& start) override;
  void LinesChanged(const simulator::LineChange& change) override;
  void CaptureEnds(uint64_t samples) override;

  /// The levels at the first sample, at cycle 0, then every change kept.
  const LineRecording& Lines() const { return lines_; }
  /// Whether changes after the last kept one were left out.
  bool Cut() const { return cut_; }

 private:
  double cycleNanoseconds_;
  size_t mostChanges_;
  LineRecording lines_;
  bool cut_ = false;
};

}  // namespace kitbuilder::ui
