#include "ui/line_trace_view.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygonF>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cmath>

#include "simulator/radio/mcu_clock.h"
#include "ui/line_recording.h"

namespace kitbuilder::ui {
namespace {

constexpr int kLeftMargin = 8;
constexpr int kBreakWidth = 48;
constexpr int kBottomMargin = 6;
constexpr double kZoomStep = 1.25;
// From a whole pass on a screen down to a few pixels per bit of SCK.
constexpr double kFewestPixelsPerCycle = 0.01;
constexpr double kMostPixelsPerCycle = 16.0;
// Tick labels need this much room so that "126.500 ms" does not run into the next one.
constexpr int kTickSpacing = 90;

const std::array<QColor, simulator::kChipLineCount> kLineColours = {
    QColor(170, 30, 30), QColor(20, 80, 170), QColor(20, 120, 40), QColor(120, 40, 150),
    QColor(190, 100, 0)};

QString Milliseconds(double ms, int decimals) {
  return QStringLiteral("%1 ms").arg(ms, 0, 'f', decimals);
}

}  // namespace

LineTraceView::LineTraceView(const LineRecording& lines, std::vector<TracePiece> pieces,
                             const McuClock& clock, QWidget* parent)
    : QWidget(parent), lines_(lines), pieces_(std::move(pieces)), clock_(clock) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(sizeHint());
}

QSize LineTraceView::sizeHint() const {
  return QSize(ContentWidth(),
               kAxisHeight + simulator::kChipLineCount * kRowHeight + kBottomMargin);
}

void LineTraceView::FitTo(int width) {
  uint64_t cycles = 0;
  for (const TracePiece& piece : pieces_) cycles += piece.to - piece.from;
  const int fixed = 2 * kLeftMargin + kBreakWidth * (static_cast<int>(pieces_.size()) - 1);
  if (cycles == 0 || width <= fixed) return;
  ZoomBy((width - fixed) / (pixelsPerCycle_ * static_cast<double>(cycles)), 0);
}

void LineTraceView::ZoomIn() {
  ZoomBy(kZoomStep, visibleRegion().boundingRect().center().x());
}

void LineTraceView::ZoomOut() {
  ZoomBy(1 / kZoomStep, visibleRegion().boundingRect().center().x());
}

void LineTraceView::ZoomBy(double factor, int x) {
  const double zoomed =
      std::clamp(pixelsPerCycle_ * factor, kFewestPixelsPerCycle, kMostPixelsPerCycle);
  const double applied = zoomed / pixelsPerCycle_;
  pixelsPerCycle_ = zoomed;
  resize(sizeHint());
  update();
  emit Zoomed(applied, x);
}

int LineTraceView::PieceWidth(size_t piece) const {
  const uint64_t cycles = pieces_[piece].to - pieces_[piece].from;
  return std::max(1, static_cast<int>(std::lround(static_cast<double>(cycles) * pixelsPerCycle_)));
}

int LineTraceView::PieceLeft(size_t piece) const {
  int left = kLeftMargin;
  for (size_t before = 0; before < piece; ++before) left += PieceWidth(before) + kBreakWidth;
  return left;
}

int LineTraceView::ContentWidth() const {
  return pieces_.empty()
             ? 2 * kLeftMargin
             : PieceLeft(pieces_.size() - 1) + PieceWidth(pieces_.size() - 1) + kLeftMargin;
}

void LineTraceView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), Qt::white);
  painter.setPen(QColor(225, 225, 225));
  for (int row = 0; row <= simulator::kChipLineCount; ++row) {
    const int y = kAxisHeight + row * kRowHeight;
    painter.drawLine(event->rect().left(), y, event->rect().right(), y);
  }
  for (size_t piece = 0; piece < pieces_.size(); ++piece) {
    const int left = PieceLeft(piece);
    if (left > event->rect().right() ||
        left + PieceWidth(piece) + kBreakWidth < event->rect().left()) {
      continue;
    }
    if (piece > 0) PaintBreak(painter, piece);
    PaintAxis(painter, piece);
    PaintLines(painter, piece);
  }
}

void LineTraceView::PaintAxis(QPainter& painter, size_t index) const {
  const TracePiece& piece = pieces_[index];
  const int left = PieceLeft(index);
  const int right = left + PieceWidth(index);
  const int baseline = kAxisHeight - 4;
  if (!piece.caption.isEmpty()) {
    QFont bold = painter.font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(Qt::black);
    painter.drawText(left, 13, piece.caption);
    painter.setFont(font());
  }
  painter.setPen(QColor(90, 90, 90));
  painter.drawLine(left, baseline, right, baseline);
  // A step of 1, 2 or 5 times a power of ten milliseconds, the smallest that leaves room for
  // the labels.
  const double pixelsPerMs = pixelsPerCycle_ / simulator::BoardMilliseconds(clock_, 1);
  const double least = kTickSpacing / pixelsPerMs;
  const double power = std::pow(10.0, std::floor(std::log10(least)));
  double step = power;
  for (double multiple : {1.0, 2.0, 5.0, 10.0}) {
    step = multiple * power;
    if (step >= least) break;
  }
  const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step))));
  const double fromMs = simulator::BoardMilliseconds(clock_, piece.from);
  const double toMs = simulator::BoardMilliseconds(clock_, piece.to);
  // Labels that would run past their piece into the break are left out.
  const QFontMetrics metrics(font());
  const auto fits = [&](int x, const QString& text) {
    return x + 2 + metrics.horizontalAdvance(text) <= right;
  };
  painter.drawLine(left, baseline - 4, left, baseline);
  const QString start = Milliseconds(fromMs, 3);
  if (fits(left, start)) painter.drawText(left + 2, baseline - 6, start);
  for (double tick = std::ceil(fromMs / step) * step; tick <= toMs; tick += step) {
    const int x = left + static_cast<int>(std::lround((tick - fromMs) * pixelsPerMs));
    const QString label = Milliseconds(tick, decimals);
    if (x < left + kTickSpacing || !fits(x, label)) continue;
    painter.setPen(QColor(90, 90, 90));
    painter.drawLine(x, baseline - 4, x, baseline);
    painter.drawText(x + 2, baseline - 6, label);
    painter.setPen(QPen(QColor(235, 235, 235), 1, Qt::DotLine));
    painter.drawLine(x, kAxisHeight, x, kAxisHeight + simulator::kChipLineCount * kRowHeight);
  }
}

void LineTraceView::PaintLines(QPainter& painter, size_t index) const {
  const TracePiece& piece = pieces_[index];
  const int left = PieceLeft(index);
  const auto xOf = [&](uint64_t cycle) {
    return left + static_cast<double>(cycle - piece.from) * pixelsPerCycle_;
  };
  const std::vector<LineChange>& changes = lines_.Changes();
  const auto first = std::upper_bound(
      changes.begin(), changes.end(), piece.from,
      [](uint64_t cycle, const LineChange& change) { return cycle < change.cycle; });
  const simulator::LineLevels start = lines_.LevelsAt(piece.from);
  for (int line = 0; line < simulator::kChipLineCount; ++line) {
    const int top = kAxisHeight + line * kRowHeight;
    const auto yOf = [&](bool high) { return high ? top + 7.0 : top + kRowHeight - 7.0; };
    bool level = start[line];
    QPolygonF path;
    path << QPointF(left, yOf(level));
    for (auto change = first; change != changes.end() && change->cycle <= piece.to; ++change) {
      if (change->levels[line] == level) continue;
      const double x = xOf(change->cycle);
      path << QPointF(x, yOf(level)) << QPointF(x, yOf(change->levels[line]));
      level = change->levels[line];
    }
    path << QPointF(xOf(piece.to), yOf(level));
    painter.setPen(QPen(kLineColours[line], 1.5));
    painter.drawPolyline(path);
  }
}

void LineTraceView::PaintBreak(QPainter& painter, size_t index) const {
  const int left = PieceLeft(index) - kBreakWidth;
  const int middle = left + kBreakWidth / 2;
  painter.setPen(QPen(QColor(150, 150, 150), 1));
  for (int line = 0; line < simulator::kChipLineCount; ++line) {
    const int top = kAxisHeight + line * kRowHeight;
    for (int offset : {-4, 2}) {
      painter.drawLine(middle + offset, top + kRowHeight - 6, middle + offset + 4, top + 6);
    }
  }
  const double skipped =
      simulator::BoardMilliseconds(clock_, pieces_[index].from - pieces_[index - 1].to);
  QFont small = font();
  small.setPointSizeF(small.pointSizeF() * 0.85);
  painter.setFont(small);
  // On the captions' line: below it, the time labels of the pieces may reach the break.
  painter.drawText(QRect(left, 2, kBreakWidth, 14), Qt::AlignCenter,
                   skipped >= 1 ? QStringLiteral("%1 ms").arg(skipped, 0, 'f', 0)
                                : QStringLiteral("%1 ms").arg(skipped, 0, 'f', 2));
  painter.setFont(font());
}

void LineTraceView::wheelEvent(QWheelEvent* event) {
  if (!(event->modifiers() & Qt::ControlModifier) || event->angleDelta().y() == 0) {
    event->ignore();
    return;
  }
  ZoomBy(event->angleDelta().y() > 0 ? kZoomStep : 1 / kZoomStep,
         static_cast<int>(event->position().x()));
  event->accept();
}

}  // namespace kitbuilder::ui
