#pragma once
// The RX mode page: wait for one packet per loop cycle and read it when its CRC passes.

#include "ui/mode_page.h"

class QComboBox;

namespace kitbuilder::ui {

class RxPage : public ModePage {
  Q_OBJECT

 public:
  explicit RxPage(QWidget* parent = nullptr);
  ModeValues Values() const override;
  void ShowValues(const ModeValues& values) override;

 private:
  NumberField* length_;
  QComboBox* restState_;
  NumberField* delay_;
};

}  // namespace kitbuilder::ui
