#include "ui/about_box.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include "engine/version.h"
#include "ui/app_icon.h"
#include "ui/dialog_units.h"

namespace kitbuilder::ui {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About Kitbuilder"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  QFont font(QStringLiteral("PMingLiU"), 9);
  setFont(font);
  const DialogUnits units = DialogUnits::OfFont(QFontMetrics(font, this));

  auto* icon = new QLabel(this);
  icon->setPixmap(ApplicationIcon().pixmap(32, 32));
  icon->setGeometry(QRect(QPoint(units.X(11), units.Y(17)), QSize(32, 32)));

  auto* version = new QLabel(QStringLiteral("Kitbuilder Version ") + kVersion, this);
  version->setGeometry(units.Rect(39, 18, 133, 8));
  auto* rights = new QLabel(QStringLiteral("Copyright (C) ZORVANT. All rights reserved."), this);
  rights->setGeometry(units.Rect(40, 30, 182, 8));

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("1"));
  ok->setDefault(true);
  ok->setGeometry(units.Rect(178, 7, 50, 14));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  setFixedSize(units.Size(235, 55));
}

}  // namespace kitbuilder::ui
