#include "ui/live_verdict.h"

#include <QFontMetrics>
#include <QLabel>
#include <QTimer>

#include "simulator/firmware/sdcc_build.h"
#include "ui/background_check.h"

namespace kitbuilder::ui {
namespace {

QString FirstLine(const std::string& text) {
  const QString whole = QString::fromStdString(text).trimmed();
  return whole.left(whole.indexOf(QLatin1Char('\n'))).trimmed();
}

/// The first thing to fix, or that the firmware works; one line.
QString OneLineVerdict(const simulator::CheckRun& run) {
  using Status = simulator::CheckRun::Status;
  QString verdict;
  switch (run.status) {
    case Status::kAsTheSettingsSay:
      return QStringLiteral("Works on the virtual board");
    case Status::kDeviates:
      verdict = FirstLine(run.outcome.problems.front());
      break;
    case Status::kBuildFailed: {
      verdict = QStringLiteral("The firmware does not build: ") + FirstLine(run.message);
      for (const simulator::SdccDiagnostic& diagnostic : simulator::ParseDiagnostics(run.message)) {
        if (diagnostic.kind != simulator::SdccDiagnostic::Kind::kError) continue;
        verdict = QStringLiteral("The firmware does not build: ") + FirstLine(diagnostic.line);
        break;
      }
      break;
    }
    case Status::kToolsMissing:
    case Status::kCannotRun:
      verdict = FirstLine(run.message);
      break;
  }
  if (!verdict.isEmpty()) verdict[0] = verdict[0].toUpper();
  return verdict;
}

}  // namespace

LiveVerdict::LiveVerdict(const TextStore& store, FormSettings settings, QLabel* label,
                         QObject* parent)
    : QObject(parent),
      settings_(std::move(settings)),
      label_(label),
      delay_(new QTimer(this)),
      check_(new BackgroundCheck(store, this)) {
  delay_->setSingleShot(true);
  delay_->setInterval(kDefaultDelayMs);
  connect(delay_, &QTimer::timeout, this, &LiveVerdict::Start);
  connect(check_, &BackgroundCheck::Finished, this, &LiveVerdict::TakeResult);
  connect(check_, &BackgroundCheck::Cancelled, this, &LiveVerdict::TakeCalledOff);
}

void LiveVerdict::SetDelay(int milliseconds) {
  delay_->setInterval(milliseconds);
}

void LiveVerdict::SettingsChanged() {
  if (quiet_) return;
  stale_ = true;
  check_->Cancel();
  Show(QStringLiteral("Checking on the virtual board..."), Tone::kPending);
  delay_->start();
}

void LiveVerdict::Start() {
  // A called-off check may still be building; the next starts when it has ended.
  if (check_->IsRunning()) {
    due_ = true;
    return;
  }
  stale_ = false;
  const std::variant<GenerationSettings, QString> settings = settings_();
  if (const auto* refusal = std::get_if<QString>(&settings)) {
    Show(*refusal, Tone::kProblem);
    return;
  }
  check_->Start(std::get<GenerationSettings>(settings));
  emit CheckStarted();
}

void LiveVerdict::TakeResult(std::shared_ptr<const FinishedCheck> check) {
  // Finished before it was called off, but after the settings changed.
  if (stale_) {
    TakeCalledOff();
    return;
  }
  quiet_ = check->run.status == simulator::CheckRun::Status::kToolsMissing;
  Show(OneLineVerdict(check->run),
       check->run.status == simulator::CheckRun::Status::kAsTheSettingsSay ? Tone::kWorks
                                                                           : Tone::kProblem);
}

void LiveVerdict::TakeCalledOff() {
  emit CheckCalledOff();
  if (!due_) return;
  due_ = false;
  Start();
}

void LiveVerdict::Show(const QString& verdict, Tone tone) {
  verdict_ = tone == Tone::kPending ? QString() : verdict;
  const QColor colours[] = {QColor(110, 110, 110), QColor(0, 110, 0), QColor(180, 0, 0)};
  QPalette palette = label_->palette();
  palette.setColor(QPalette::WindowText, colours[static_cast<int>(tone)]);
  label_->setPalette(palette);
  label_->setText(label_->fontMetrics().elidedText(verdict, Qt::ElideRight, label_->width()));
  label_->setToolTip(verdict);
  if (tone != Tone::kPending) emit VerdictShown(verdict);
}

}  // namespace kitbuilder::ui
