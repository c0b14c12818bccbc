#pragma once
// Asks which of a capture's channels carries each of the radio's lines before the capture is
// read: one list of the capture's channels per line, set to the channels chosen for the last
// capture where this one has them, else to the channel named like the line. The lines the
// board's wiring uses must each have a channel of their own; the choice is remembered when the
// user accepts it.

#include <QDialog>
#include <array>
#include <string>
#include <vector>

#include "simulator/capture/line_change.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace kitbuilder::ui {

class ChannelDialog : public QDialog {
  Q_OBJECT

 public:
  /// `channels` are the capture's, in its order; `used` the lines the board's wiring uses.
  ChannelDialog(const QString& captureName, const std::vector<std::string>& channels,
                simulator::LineSet used, QWidget* parent = nullptr);

  /// The choice as kitbuilder-cli's --channels takes it: "SCS=D0,SCK=D1,...".
  QString Mapping() const;
  /// Why the choice cannot be taken yet; empty when it can.
  QString Problem() const;

 public slots:
  void accept() override;

 private slots:
  void ShowProblem();

 private:
  void Preset(const std::vector<std::string>& channels);
  void Remember() const;

  simulator::LineSet used_;
  std::array<QComboBox*, simulator::kChipLineCount> choices_{};
  QLabel* problem_ = nullptr;
  QPushButton* ok_ = nullptr;
};

}  // namespace kitbuilder::ui
