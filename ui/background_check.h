#pragma once
// A check of the virtual board, of the link between two boards, or of a capture of the real
// board, run on a worker thread, so that the form stays usable while SDCC builds and s51 runs the
// firmware or a long capture is read. It can be called off; a
// check still running when this object goes is called off and waited for, so the worker never
// outlives what it uses.

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "simulator/link_check.h"
#include "simulator/virtual_board.h"
#include "ui/line_recording.h"
#include "ui/trace_pieces.h"

template <typename T>
class QFutureWatcher;

namespace kitbuilder {
class TextStore;
}

namespace kitbuilder::ui {

/// What a capture check leaves: whether the board passed, its problems (or why the capture
/// could not be used), the report and the pieces of the capture's lines to draw.
struct CheckedCapture {
  bool passes = false;
  std::vector<std::string> problems;
  std::string report;
  std::vector<TracePiece> pieces;
};

/// What a check that ran to its end leaves: the run and the lines it drove, on its clock. Of a
/// link check, the link run and both boards' lines; `run` and `clock` are then this board's.
/// Of a capture check, `capture`, and the capture's first lines on the board's clock.
struct FinishedCheck {
  simulator::CheckRun run;
  LineRecording lines;
  McuClock clock;
  std::optional<simulator::LinkRun> link;
  LinkRecording linkLines;
  std::optional<CheckedCapture> capture;
};

class BackgroundCheck : public QObject {
  Q_OBJECT

 public:
  /// `store` must outlive this object.
  explicit BackgroundCheck(const TextStore& store, QObject* parent = nullptr);
  ~BackgroundCheck() override;

  bool IsRunning() const;

 public slots:
  /// Checks the SDCC firmware of `settings`, whichever compiler they name. Ignored while a check
  /// runs.
  void Start(const GenerationSettings& settings);
  /// Checks the link between the firmware of `settings` and that of `peer`, in the same way.
  void StartLink(const GenerationSettings& settings, const GenerationSettings& peer);
  /// Holds the capture at `path` against `settings`, its channels mapped by `channels`, the
  /// text of kitbuilder-cli's --channels.
  void StartCapture(const GenerationSettings& settings, const std::string& path,
                    const std::string& channels);
  /// Ends the running check early; it then reports Cancelled rather than Finished.
  void Cancel();

 signals:
  void Finished(std::shared_ptr<const FinishedCheck> check);
  void Cancelled();

 private:
  void TakeResult();
  /// Runs `check` on the worker with a fresh cancel flag.
  void Launch(std::function<void(FinishedCheck&, const std::atomic<bool>*)> check);

  const TextStore& store_;
  std::shared_ptr<std::atomic<bool>> cancel_;
  QFutureWatcher<std::shared_ptr<FinishedCheck>>* watcher_;
};

}  // namespace kitbuilder::ui
