#pragma once
// The flow diagram of a mode page: the main loop of the generated firmware as boxes, decisions
// and arrows, with the page's fields standing on the boxes they set. Coordinates are pixels of
// the page at 96 DPI (two per page dialog unit); painting scales them, so the lines stay crisp.

#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <vector>

class QPainter;

namespace kitbuilder::ui {

struct DiagramBox {
  QRectF frame;
  QString text;
  QRectF textArea;  ///< where the text stands; a field box keeps the rest free for its field
  bool carriesField = false;  ///< drawn with a blue frame
};

struct DiagramDecision {
  QPointF centre;
  qreal width = 0;
  qreal height = 0;
  QString text;
  QRectF Bounds() const;
};

struct DiagramArrow {
  QPolygonF path;  ///< the head points at the last point
};

struct DiagramLabel {
  QPointF baselineStart;
  QString text;
};

struct FlowDiagram {
  std::vector<DiagramBox> boxes;
  std::vector<DiagramDecision> decisions;
  std::vector<DiagramArrow> arrows;
  std::vector<DiagramLabel> labels;  ///< the outcomes written beside the arrows of a decision
  std::vector<QString> captions;     ///< one line per field, below the diagram
  QPointF captionTopLeft;
};

/// A black box around `text`.
DiagramBox StepBox(const QRectF& frame, const QString& text);

/// A blue box around a field: the field in its upper part, `text` centred below it.
DiagramBox FieldBox(const QRectF& field, qreal width, const QString& text);

/// A blue box that holds only a control (the rest-state list).
DiagramBox ControlBox(const QRectF& control);

/// The smallest rectangle that holds everything drawn, captions included.
QRectF DiagramBounds(const FlowDiagram& diagram);

void PaintFlowDiagram(QPainter* painter, const FlowDiagram& diagram);

}  // namespace kitbuilder::ui
