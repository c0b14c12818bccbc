#pragma once
// The RX with ACK mode page: wait for one packet per loop cycle and acknowledge it.

#include "ui/mode_page.h"

class QComboBox;

namespace kitbuilder::ui {

class RxAckPage : public ModePage {
  Q_OBJECT

 public:
  explicit RxAckPage(QWidget* parent = nullptr);
  ModeValues Values() const override;
  void ShowValues(const ModeValues& values) override;

 private:
  NumberField* length_;
  NumberField* ackLength_;
  QComboBox* restState_;
  NumberField* delay_;
};

}  // namespace kitbuilder::ui
