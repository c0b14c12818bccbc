#pragma once
// The picture of the five radio lines of a check, SCS, SCK, SDIO, GIO1 and GIO2, one row each,
// over the pieces of the run that the picture shows, with the time since reset in milliseconds
// above them. Meant to sit in a scroll area; its width follows the zoom.

#include <QWidget>
#include <vector>

#include "engine/generation_settings.h"
#include "ui/trace_pieces.h"

namespace kitbuilder::ui {

class LineRecording;

class LineTraceView : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kAxisHeight = 40;
  static constexpr int kRowHeight = 30;

  /// `lines` must outlive the view.
  LineTraceView(const LineRecording& lines, std::vector<TracePiece> pieces, const McuClock& clock,
                QWidget* parent = nullptr);

  double PixelsPerCycle() const { return pixelsPerCycle_; }
  /// Zooms so that the whole picture is `width` pixels wide, as far as the zoom goes.
  void FitTo(int width);

  QSize sizeHint() const override;

 public slots:
  void ZoomIn();
  void ZoomOut();

 signals:
  /// The picture grew or shrank by `factor`; `x` is the point of the picture that stays put.
  void Zoomed(double factor, int x);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void ZoomBy(double factor, int x);
  int PieceLeft(size_t piece) const;
  int PieceWidth(size_t piece) const;
  int ContentWidth() const;
  void PaintAxis(QPainter& painter, size_t piece) const;
  void PaintLines(QPainter& painter, size_t piece) const;
  void PaintBreak(QPainter& painter, size_t piece) const;

  const LineRecording& lines_;
  std::vector<TracePiece> pieces_;
  McuClock clock_;
  double pixelsPerCycle_ = 1.0;
};

}  // namespace kitbuilder::ui
