#include "ui/dialog_units.h"

#include <QFontMetrics>
#include <QString>
#include <QtMath>

namespace kitbuilder::ui {

DialogUnits::DialogUnits(double averageCharWidth, double charHeight)
    : averageCharWidth_(averageCharWidth), charHeight_(charHeight) {}

DialogUnits DialogUnits::OfFont(const QFontMetrics& metrics) {
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return DialogUnits((letters / 26 + 1) / 2, metrics.height());
}

int DialogUnits::X(int units) const {
  return qRound(units * averageCharWidth_ / 4.0);
}

int DialogUnits::Y(int units) const {
  return qRound(units * charHeight_ / 8.0);
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
  return QRect(X(x), Y(y), X(width), Y(height));
}

QSize DialogUnits::Size(int width, int height) const {
  return QSize(X(width), Y(height));
}

}  // namespace kitbuilder::ui
