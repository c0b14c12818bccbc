#pragma once
// The About box: program name, version and rights notice.

#include <QDialog>

namespace kitbuilder::ui {

class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace kitbuilder::ui
