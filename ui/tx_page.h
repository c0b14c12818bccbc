#pragma once
// The TX mode page: send one packet per loop cycle.

#include "ui/mode_page.h"

class QComboBox;

namespace kitbuilder::ui {

class TxPage : public ModePage {
  Q_OBJECT

 public:
  explicit TxPage(QWidget* parent = nullptr);
  ModeValues Values() const override;
  void ShowValues(const ModeValues& values) override;

 private:
  QComboBox* restState_;
  NumberField* delay_;
  NumberField* length_;
};

}  // namespace kitbuilder::ui
