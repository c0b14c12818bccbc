#pragma once
// The TX with ACK mode page: send one packet per loop cycle and wait for its acknowledgement.

#include "ui/mode_page.h"

class QComboBox;

namespace kitbuilder::ui {

class TxAckPage : public ModePage {
  Q_OBJECT

 public:
  explicit TxAckPage(QWidget* parent = nullptr);
  ModeValues Values() const override;
  void ShowValues(const ModeValues& values) override;

 private:
  NumberField* length_;
  NumberField* ackLength_;
  NumberField* delay_;
  NumberField* wait_;
  QComboBox* restState_;
};

}  // namespace kitbuilder::ui
