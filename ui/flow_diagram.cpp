#include "ui/flow_diagram.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLineF>
#include <QPainter>
#include <QtMath>

namespace kitbuilder::ui {
namespace {

constexpr qreal kFieldMargin = 4;
constexpr qreal kFieldTextHeight = 16;
constexpr qreal kArrowHead = 6;
constexpr qreal kCaptionLineHeight = 14;
const QColor kFieldFrame(0, 0, 255);

QFont DiagramFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(11);
  return font;
}

void PaintArrow(QPainter* painter, const DiagramArrow& arrow) {
  painter->setBrush(Qt::NoBrush);
  painter->drawPolyline(arrow.path);
  const QLineF last(arrow.path.at(arrow.path.size() - 2), arrow.path.last());
  const qreal angle = qDegreesToRadians(last.angle());
  const QPointF tip = last.p2();
  // Qt measures line angles counter-clockwise with y pointing down, hence the signs.
  const QPointF back(-qCos(angle) * kArrowHead, qSin(angle) * kArrowHead);
  const QPointF side(-qSin(angle) * kArrowHead / 2, -qCos(angle) * kArrowHead / 2);
  painter->setBrush(Qt::black);
  painter->drawPolygon(QPolygonF{tip, tip + back + side, tip + back - side});
}

QPolygonF Diamond(const DiagramDecision& decision) {
  const QPointF c = decision.centre;
  const qreal w = decision.width / 2;
  const qreal h = decision.height / 2;
  return QPolygonF{c + QPointF(0, -h), c + QPointF(w, 0), c + QPointF(0, h), c + QPointF(-w, 0)};
}

}  // namespace

QRectF DiagramDecision::Bounds() const {
  return QRectF(centre.x() - width / 2, centre.y() - height / 2, width, height);
}

DiagramBox StepBox(const QRectF& frame, const QString& text) {
  return DiagramBox{frame, text, frame, false};
}

DiagramBox FieldBox(const QRectF& field, qreal width, const QString& text) {
  const QRectF frame(field.center().x() - width / 2, field.top() - kFieldMargin, width,
                     field.height() + kFieldMargin + kFieldTextHeight);
  const QRectF textArea(frame.left(), field.bottom(), width, frame.bottom() - field.bottom());
  return DiagramBox{frame, text, textArea, true};
}

DiagramBox ControlBox(const QRectF& control) {
  const QRectF frame = control.adjusted(-kFieldMargin, -kFieldMargin, kFieldMargin, kFieldMargin);
  return DiagramBox{frame, QString(), QRectF(), true};
}

QRectF DiagramBounds(const FlowDiagram& diagram) {
  QRectF bounds;
  for (const DiagramBox& box : diagram.boxes) bounds |= box.frame;
  for (const DiagramDecision& decision : diagram.decisions) bounds |= decision.Bounds();
  for (const DiagramArrow& arrow : diagram.arrows) bounds |= arrow.path.boundingRect();
  const QFontMetricsF metrics(DiagramFont());
  for (const DiagramLabel& label : diagram.labels) {
    bounds |= metrics.boundingRect(label.text).translated(label.baselineStart);
  }
  qreal top = diagram.captionTopLeft.y();
  for (const QString& caption : diagram.captions) {
    bounds |= QRectF(diagram.captionTopLeft.x(), top, metrics.horizontalAdvance(caption),
                     kCaptionLineHeight);
    top += kCaptionLineHeight;
  }
  return bounds;
}

void PaintFlowDiagram(QPainter* painter, const FlowDiagram& diagram) {
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  painter->setFont(DiagramFont());
  const QPen stepPen(Qt::black, 1);
  const QPen fieldPen(kFieldFrame, 1.5);

  for (const DiagramBox& box : diagram.boxes) {
    painter->setBrush(Qt::NoBrush);
    painter->setPen(box.carriesField ? fieldPen : stepPen);
    painter->drawRect(box.frame);
    painter->setPen(stepPen);
    painter->drawText(box.textArea, Qt::AlignCenter, box.text);
  }
  for (const DiagramDecision& decision : diagram.decisions) {
    painter->setPen(stepPen);
    painter->setBrush(Qt::NoBrush);
    painter->drawPolygon(Diamond(decision));
    painter->drawText(decision.Bounds(), Qt::AlignCenter, decision.text);
  }
  painter->setPen(stepPen);
  for (const DiagramArrow& arrow : diagram.arrows) PaintArrow(painter, arrow);
  for (const DiagramLabel& label : diagram.labels) {
    painter->drawText(label.baselineStart, label.text);
  }
  const QFontMetricsF metrics(painter->font());
  qreal top = diagram.captionTopLeft.y();
  for (const QString& caption : diagram.captions) {
    painter->drawText(QPointF(diagram.captionTopLeft.x(), top + metrics.ascent()), caption);
    top += kCaptionLineHeight;
  }
  painter->restore();
}

}  // namespace kitbuilder::ui
