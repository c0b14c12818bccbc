#pragma once
// What the four mode pages under the mode tab have in common: a white page with the page's flow
// diagram, number fields and a rest-state list standing on their diagram boxes, and the range
// corrections those fields apply when they lose the focus.

#include <QRect>
#include <QWidget>
#include <utility>
#include <vector>

#include "engine/generation_settings.h"
#include "ui/dialog_units.h"
#include "ui/flow_diagram.h"

class QComboBox;

namespace kitbuilder::ui {

class NumberField;

class ModePage : public QWidget {
  Q_OBJECT

 public:
  /// The page's values as a build reads them; fields without a number read as 0.
  virtual ModeValues Values() const = 0;

  /// Puts `values` into the fields and the list, as a settings file gives them; values the page
  /// does not show are ignored.
  virtual void ShowValues(const ModeValues& values) = 0;

  /// Corrects every field as leaving it would, so that a build started with Enter never
  /// carries a value that the page would not have let stand.
  void ApplyRangeRules();

  /// The diagram in page pixels at 96 DPI; multiply by Scale() for this page's pixels.
  const FlowDiagram& Diagram() const { return diagram_; }
  qreal Scale() const { return scale_; }

 signals:
  /// A field or the rest-state list of the page changed.
  void ValuesEdited();

 protected:
  enum class Rule { kLength, kAtMost255 };

  explicit ModePage(QWidget* parent);

  /// `units` is the field's rectangle in page dialog units.
  NumberField* AddNumberField(int id, const QRect& units, const QString& defaultText, Rule rule);

  /// "Sleep" and "Standby", with "Sleep" selected. `units` gives the list's top left corner and
  /// width; its closed height is the page's list height.
  QComboBox* AddRestStateList(int id, const QRect& units);

  void SetDiagram(FlowDiagram diagram) { diagram_ = std::move(diagram); }

  /// A control's rectangle in the diagram's coordinates, for the box it stands on.
  QRectF DiagramRectOf(const QWidget* control) const;

  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ApplyRule(NumberField* field, Rule rule);
  void Place(QWidget* control, int id, const QRect& units);

  qreal scale_;
  DialogUnits units_;
  FlowDiagram diagram_;
  std::vector<std::pair<NumberField*, Rule>> rules_;
};

/// Caption lines that several pages show under their diagrams.
QString DelayCaption();
QString TxLengthCaption();
QString RxLengthCaption();
QString AckLengthCaption();

}  // namespace kitbuilder::ui
