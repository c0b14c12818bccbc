#pragma once
// The verdict beside "Check...": a moment after the last change of a setting, the form's
// settings are checked on the virtual board in the background, and one line says that the
// firmware works there or names the first problem. A change calls off the check that runs, and
// nothing of it ever makes typing wait. Without sdcc or s51 it says so once and checks no more.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <variant>

#include "engine/generation_settings.h"

class QLabel;
class QTimer;

namespace kitbuilder {
class TextStore;
}

namespace kitbuilder::ui {

class BackgroundCheck;
struct FinishedCheck;

class LiveVerdict : public QObject {
  Q_OBJECT

 public:
  /// The settings a check of the form would run on now, or why the form cannot be checked as it
  /// stands.
  using FormSettings = std::function<std::variant<GenerationSettings, QString>()>;

  static constexpr int kDefaultDelayMs = 400;

  /// Shows the verdict in `label`. `store` must outlive this object.
  LiveVerdict(const TextStore& store, FormSettings settings, QLabel* label, QObject* parent);

  /// How long after the last change the check starts.
  void SetDelay(int milliseconds);
  /// The whole verdict line; the label may show it shortened.
  const QString& Verdict() const { return verdict_; }

 public slots:
  /// The verdict shown no longer holds: the running check is called off and the settings are
  /// checked after the delay, unless they change again before.
  void SettingsChanged();

 signals:
  void CheckStarted();
  /// A check ended without its verdict being shown: the settings changed while it ran.
  void CheckCalledOff();
  void VerdictShown(const QString& verdict);

 private:
  void Start();
  void TakeResult(std::shared_ptr<const FinishedCheck> check);
  void TakeCalledOff();
  enum class Tone { kPending, kWorks, kProblem };
  void Show(const QString& verdict, Tone tone);

  FormSettings settings_;
  QLabel* label_;
  QTimer* delay_;
  BackgroundCheck* check_;
  QString verdict_;
  /// The settings changed since the running check started: its result no longer holds.
  bool stale_ = false;
  /// The delay ran out while a called-off check was still ending: the next one starts after it.
  bool due_ = false;
  /// The tools are missing, and the verdict said so.
  bool quiet_ = false;
};

}  // namespace kitbuilder::ui
