#include "ui/background_check.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

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
  if (IsRunning()) return;
  simulator::CheckRequest request;
  request.settings = settings;
  // The clock of the delay routines is the board's.
  request.options.clock = settings.mcuClock.value_or(McuClock{});
  cancel_ = std::make_shared<std::atomic<bool>>(false);
  // The worker gets its own copies and the flag; nothing of it touches a widget or this object.
  watcher_->setFuture(QtConcurrent::run(
      [request, cancel = cancel_, &store = store_]() mutable -> std::shared_ptr<FinishedCheck> {
        auto check = std::make_shared<FinishedCheck>();
        check->clock = request.options.clock;
        request.options.lines = &check->lines;
        request.options.cancel = cancel.get();
        check->run = simulator::RunCheck(request, store);
        return check;
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
