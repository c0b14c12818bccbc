#include "ui/background_check.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>
#include <sstream>

#include "simulator/capture/capture_check.h"
#include "simulator/capture/capture_judgement.h"
#include "simulator/capture/capture_report.h"
#include "simulator/firmware/build_cache.h"
#include "ui/captured_lines.h"

namespace kitbuilder::ui {

BackgroundCheck::BackgroundCheck(const TextStore& store, QObject* parent)
    : QObject(parent),
      store_(store),
      watcher_(new QFutureWatcher<std::shared_ptr<FinishedCheck>>(this)) {
  connect(watcher_, &QFutureWatcherBase::finished, this, &BackgroundCheck::TakeResult);
}

BackgroundCheck::~BackgroundCheck() {
  if (!IsRunning()) return;
  cancel_->store(true);
  watcher_->waitForFinished();
}

bool BackgroundCheck::IsRunning() const {
  return watcher_->isRunning();
}

void BackgroundCheck::Start(const GenerationSettings& settings) {
  simulator::CheckRequest request;
  request.settings = settings;
  // The clock of the delay routines is the board's.
  request.options.clock = settings.mcuClock.value_or(McuClock{});
  request.buildCache = simulator::BuildCache::UserDirectory();
  Launch([request, &store = store_](FinishedCheck& check, const std::atomic<bool>* cancel) mutable {
    check.clock = request.options.clock;
    request.options.lines = &check.lines;
    request.options.cancel = cancel;
    check.run = simulator::RunCheck(request, store);
  });
}

void BackgroundCheck::StartLink(const GenerationSettings& settings,
                                const GenerationSettings& peer) {
  simulator::LinkRequest request;
  request.board = settings;
  request.peer = peer;
  request.buildCache = simulator::BuildCache::UserDirectory();
  Launch([request, &store = store_](FinishedCheck& check, const std::atomic<bool>* cancel) mutable {
    request.boardLines = &check.linkLines.BoardObserver();
    request.peerLines = &check.linkLines.PeerObserver();
    request.cancel = cancel;
    check.link = simulator::RunLinkCheck(request, store);
    check.run = check.link->board;
    check.clock = check.link->boardClock;
  });
}

void BackgroundCheck::StartCapture(const GenerationSettings& settings, const std::string& path,
                                   const std::string& channels) {
  Launch([settings, path, channels](FinishedCheck& check, const std::atomic<bool>* cancel) {
    CheckedCapture& checked = check.capture.emplace();
    std::string error;
    const std::optional<simulator::FirmwareSettings> firmware =
        simulator::FirmwareSettingsFrom(settings, &error);
    if (!firmware) {
      checked.problems = {error};
      return;
    }
    check.clock = settings.mcuClock.value_or(McuClock{});
    CapturedLines lines(check.clock);
    const simulator::CaptureOutcome capture = simulator::CheckCapture(
        path, channels, simulator::BusWiringOf(*firmware), check.clock, cancel, &lines);
    if (capture.status == simulator::CaptureOutcome::Status::kCancelled) return;
    if (capture.status == simulator::CaptureOutcome::Status::kRefused) {
      checked.problems = {"the capture cannot be used: " + capture.refusal};
      return;
    }
    const simulator::CaptureJudgement judgement =
        simulator::JudgeCapture(*firmware, check.clock, capture.bus);
    const simulator::CaptureReport report{path, *firmware, check.clock, capture, judgement};
    std::ostringstream text;
    simulator::WriteCaptureTextReport(report, text);
    checked.passes = simulator::BoardPasses(report);
    checked.problems = capture.wiringFaults;
    checked.problems.insert(checked.problems.end(), judgement.problems.begin(),
                            judgement.problems.end());
    checked.report = text.str();
    check.lines = lines.Lines();
    checked.pieces = TracePiecesOfCapture(capture.bus, judgement, check.lines);
  });
}

void BackgroundCheck::Launch(std::function<void(FinishedCheck&, const std::atomic<bool>*)> check) {
  if (IsRunning()) return;
  cancel_ = std::make_shared<std::atomic<bool>>(false);
  // The worker gets its own copies and the flag; nothing of it touches a widget or this object.
  watcher_->setFuture(QtConcurrent::run(
      [check = std::move(check), cancel = cancel_]() -> std::shared_ptr<FinishedCheck> {
        auto finished = std::make_shared<FinishedCheck>();
        check(*finished, cancel.get());
        return finished;
      }));
}

void BackgroundCheck::Cancel() {
  if (IsRunning()) cancel_->store(true);
}

void BackgroundCheck::TakeResult() {
  if (cancel_->load()) {
    emit Cancelled();
    return;
  }
  emit Finished(watcher_->result());
}

}  // namespace kitbuilder::ui
