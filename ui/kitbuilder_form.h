#pragma once
// The main form: every setting of a build on one fixed-size dialog, the mode pages under its
// mode tab, the output directory, and the button that builds.

#include <QDialog>
#include <array>

#include "engine/generation_settings.h"
#include "engine/writer_result.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace kitbuilder {
class OutputFiles;
class TextStore;
}  // namespace kitbuilder

namespace kitbuilder::ui {

class HexEntryBox;
class ModePage;
class ModeTabControl;
class NumberField;
class OutputDirectoryChooser;

class KitbuilderForm : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kModeCount = 4;

  /// `store` and `files` must outlive the form.
  KitbuilderForm(const TextStore& store, OutputFiles& files, QWidget* parent = nullptr);

  /// The settings as the form and the shown mode page hold them now; no correction is applied.
  GenerationSettings GatherSettings() const;

  ModePage* Page(int operatingMode) const { return pages_.at(operatingMode); }
  int CurrentPageIndex() const { return currentPage_; }
  OutputDirectoryChooser* OutputDirectory() const { return outputDirectory_; }

  /// Text of string 101: the About entry of the form's menu.
  static QString AboutEntryText();

 public slots:
  /// Corrects the fields, gathers the settings, writes the three files and reports.
  void BuildReferenceCode();

 private slots:
  void ShowFrequency();
  void ApplyChannelRule();
  void SwitchModePage(int index);
  void ShowFormMenu(const QPoint& position);
  void OpenAboutBox();
  void ShowSaveLocation(const QString& directory);
  void KeepSpiWiring();

 private:
  void CreateControls();
  void CreateModePages();
  void SetDefaults();
  void ConnectEvents();
  void SetWindowFrame();
  /// Names the first empty RF ID box in the status line; false when all hold a digit.
  bool RefuseEmptyRfIdBox();
  void ReportWriteError(const WriteError& error);

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

  std::array<ModePage*, kModeCount> pages_{};
  int currentPage_ = 0;
  OutputDirectoryChooser* outputDirectory_ = nullptr;
};

}  // namespace kitbuilder::ui
