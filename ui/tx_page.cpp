#include "ui/tx_page.h"

#include <QComboBox>

#include "ui/field_rules.h"
#include "ui/number_field.h"

namespace kitbuilder::ui {

TxPage::TxPage(QWidget* parent)
    : ModePage(parent),
      restState_(AddRestStateList(1055, QRect(37, 47, 35, 30))),
      delay_(AddNumberField(1045, QRect(84, 46, 25, 15), QStringLiteral("10"), Rule::kAtMost255)),
      length_(AddNumberField(1046, QRect(9, 9, 33, 15), QStringLiteral("8"), Rule::kLength)) {
  const QRectF rest = DiagramRectOf(restState_);
  const qreal row = rest.center().y();
  const qreal restX = rest.center().x();
  const DiagramBox restBox = ControlBox(rest);

  FlowDiagram d;
  d.boxes = {
      FieldBox(DiagramRectOf(length_), 86, QStringLiteral("TX length (byte)")),
      StepBox(QRectF(14, row - 12, 44, 24), QStringLiteral("Initial")),
      restBox,
      FieldBox(DiagramRectOf(delay_), 62, QStringLiteral("Delay (ms)")),
      StepBox(QRectF(240, row - 12, 56, 24), QStringLiteral("Enter TX")),
      StepBox(QRectF(312, row - 12, 84, 24), QStringLiteral("Wait TX finish")),
  };
  d.arrows = {
      {QPolygonF{{58, row}, {restBox.frame.left(), row}}},
      {QPolygonF{{restBox.frame.right(), row}, {162, row}}},
      {QPolygonF{{224, row}, {240, row}}},
      {QPolygonF{{296, row}, {312, row}}},
      {QPolygonF{{354, row + 12}, {354, 160}, {restX, 160}, {restX, restBox.frame.bottom()}}},
  };
  d.captions = {
      DelayCaption(),
      TxLengthCaption(),
  };
  d.captionTopLeft = QPointF(14, 180);
  SetDiagram(std::move(d));
}

ModeValues TxPage::Values() const {
  ModeValues values;
  values.length = FieldNumber(length_->text());
  values.restState = restState_->currentIndex();
  values.delayMs = FieldNumber(delay_->text());
  return values;
}

void TxPage::ShowValues(const ModeValues& values) {
  length_->setText(QString::number(values.length));
  restState_->setCurrentIndex(values.restState);
  delay_->setText(QString::number(values.delayMs));
}

}  // namespace kitbuilder::ui
