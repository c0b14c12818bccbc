#pragma once
// Layouts written in dialog units: positions measured in quarters of a font's average character
// width and eighths of its height, so that a form keeps its arrangement at any DPI and font size.

#include <QRect>
#include <QSize>

class QFontMetrics;

namespace kitbuilder::ui {

/// Turns dialog units into pixels the way Windows dialog templates do.
class DialogUnits {
 public:
  DialogUnits(double averageCharWidth, double charHeight);

  /// The units of a font: its average width is taken over the 52 Latin letters and rounded the
  /// way the Windows dialog manager rounds it.
  static DialogUnits OfFont(const QFontMetrics& metrics);

  int X(int units) const;
  int Y(int units) const;
  QRect Rect(int x, int y, int width, int height) const;
  QSize Size(int width, int height) const;

 private:
  double averageCharWidth_;
  double charHeight_;
};

}  // namespace kitbuilder::ui
