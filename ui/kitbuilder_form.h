#pragma once
// The main form: every setting of a build on one fixed-size dialog, the mode pages under its
// mode tab, the output directory, the button that builds, the settings files that carry the
// form's settings to another run or to kitbuilder-cli, and the check of the settings' firmware on
// the virtual board, which runs in the background: on its own after every change, for the verdict
// beside "Check...", and in full with "Check...".

#include <QDialog>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "engine/build_sequence.h"
#include "engine/generation_settings.h"
#include "engine/writer_result.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressDialog;
class QPushButton;
class QRadioButton;

namespace kitbuilder {
class OutputFiles;
class TextStore;
}  // namespace kitbuilder

namespace kitbuilder::ui {

class BackgroundCheck;
struct FinishedCheck;
class HexEntryBox;
class LiveVerdict;
class ModePage;
class ModeTabControl;
class NumberField;
class OutputDirectoryChooser;
class SettingsFileChooser;

class KitbuilderForm : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kModeCount = 4;

  /// `store` and `files` must outlive the form.
  KitbuilderForm(const TextStore& store, OutputFiles& files, QWidget* parent = nullptr);
  ~KitbuilderForm() override;

  /// The settings as the form and the shown mode page hold them now; no correction is applied.
  GenerationSettings GatherSettings() const;
  /// The settings that "Check..." would check now, its corrections applied to them and not to
  /// the fields; or why the fields cannot be used.
  std::variant<GenerationSettings, QString> SettingsToCheck() const;

  ModePage* Page(int operatingMode) const { return pages_.at(operatingMode); }
  int CurrentPageIndex() const { return currentPage_; }
  OutputDirectoryChooser* OutputDirectory() const { return outputDirectory_; }

  /// Text of string 101: the About entry of the form's menu.
  static QString AboutEntryText();

 public slots:
  /// Corrects the fields, gathers the settings, writes the three files and reports.
  void BuildReferenceCode();

  /// Sets the form, the mode tab and the page of the file's mode from the settings file at
  /// `path`; the other pages keep their values. A file that is refused changes nothing, and the
  /// status line says why.
  void OpenSettingsFile(const QString& path);

  /// Applies the corrections a build applies, then writes the form's settings to `path`.
  void SaveSettingsFile(const QString& path);

  /// Applies the corrections a build applies and checks the settings' firmware in the
  /// background; the result opens in a window of its own.
  void CheckOnVirtualBoard();
  /// Checks the link between this board and the one whose settings `peerSettingsFile` holds,
  /// in the same way; a file that cannot be used is refused in the status line.
  void CheckLinkWith(const QString& peerSettingsFile);
  /// Asks which of the capture's channels carries which line, then holds the logic analyzer's
  /// capture at `path` against the settings in the same way; a file that is no capture is
  /// refused in the result window.
  void CheckCapture(const QString& path);

 private slots:
  void ShowFrequency();
  void ApplyChannelRule();
  void SwitchModePage(int index);
  void ShowFormMenu(const QPoint& position);
  void OpenAboutBox();
  void ShowSaveLocation(const QString& directory);
  void KeepSpiWiring();
  void EnableClockFields();
  void ShowCheckResult(std::shared_ptr<const FinishedCheck> check);
  void EndCheckProgress();

 private:
  void ShowCheckProgress(const QString& text);
  void CreateControls();
  void CreateModePages();
  void SetDefaults();
  void CreateSettingsFileActions();
  void ConnectEvents();
  void SetWindowFrame();
  /// Corrects the fields as leaving them would. False, with the reason in the status line, when
  /// the settings cannot be used.
  bool CorrectFieldsForUse();
  /// Names the first empty RF ID box in the status line; false when all hold a digit.
  bool RefuseEmptyRfIdBox();
  /// Says in the status line why the clock field cannot be used; false when it can.
  bool RefuseClockOutOfRange();
  /// Why the RF ID boxes or the clock field cannot be used; empty when they can.
  QString EmptyRfIdBoxText() const;
  QString ClockOutOfRangeText() const;
  /// The clock the fields give: none while both show their defaults untouched.
  std::optional<McuClock> ShownClock() const;
  void ShowBuildOutcome(const BuildOutcome& outcome);
  /// Tells of `error` in a message box, with the `notices` of the files replaced before it.
  void ReportWriteError(const WriteError& error, const std::vector<std::string>& notices);
  /// Shows `settings` in the form's controls and in the page of their mode, and selects its tab.
  void ShowSettings(const GenerationSettings& settings);
  void ShowStatus(const QString& text);

  const TextStore& store_;
  OutputFiles& files_;

  NumberField* channel_ = nullptr;
  QComboBox* dataRate_ = nullptr;
  QComboBox* txPower_ = nullptr;
  std::array<HexEntryBox*, 4> rfId_{};
  QRadioButton* currentDirectory_ = nullptr;
  QRadioButton* selectDirectory_ = nullptr;
  QPushButton* build_ = nullptr;
  QPlainTextEdit* status_ = nullptr;
  QLabel* frequency_ = nullptr;
  QPlainTextEdit* saveLocation_ = nullptr;
  ModeTabControl* modeTab_ = nullptr;
  QComboBox* crystal_ = nullptr;
  QComboBox* wtr_ = nullptr;
  /// SCS, SCK, SDIO, GIO1, GIO2, in the order of the pin assignment.
  std::array<QComboBox*, 5> ports_{};
  std::array<QComboBox*, 5> pins_{};
  QComboBox* spiMode_ = nullptr;
  QLabel* note_ = nullptr;
  QComboBox* compiler_ = nullptr;
  QLineEdit* mcuClock_ = nullptr;
  QComboBox* clocksPerCycle_ = nullptr;
  QAction* openSettings_ = nullptr;
  QAction* saveSettings_ = nullptr;
  QAction* check_ = nullptr;
  QAction* checkLink_ = nullptr;
  QAction* checkCapture_ = nullptr;
  QPushButton* checkButton_ = nullptr;
  BackgroundCheck* backgroundCheck_ = nullptr;
  QLabel* verdict_ = nullptr;
  LiveVerdict* liveVerdict_ = nullptr;
  QProgressDialog* checkProgress_ = nullptr;

  std::array<ModePage*, kModeCount> pages_{};
  int currentPage_ = 0;
  OutputDirectoryChooser* outputDirectory_ = nullptr;
  SettingsFileChooser* settingsFiles_ = nullptr;
};

}  // namespace kitbuilder::ui
