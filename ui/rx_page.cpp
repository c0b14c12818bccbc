#include "ui/rx_page.h"

#include <QComboBox>

#include "ui/field_rules.h"
#include "ui/number_field.h"

namespace kitbuilder::ui {

RxPage::RxPage(QWidget* parent)
    : ModePage(parent),
      length_(AddNumberField(1056, QRect(9, 9, 33, 14), QStringLiteral("8"), Rule::kLength)),
      restState_(AddRestStateList(1048, QRect(37, 57, 35, 30))),
      delay_(AddNumberField(1057, QRect(84, 56, 25, 14), QStringLiteral("8"), Rule::kAtMost255)) {
  const QRectF rest = DiagramRectOf(restState_);
  const qreal row = rest.center().y();
  const qreal restX = rest.center().x();
  const DiagramBox restBox = ControlBox(rest);
  const DiagramDecision crc{{492, row}, 100, 40, QStringLiteral("Check CRC")};

  FlowDiagram d;
  d.boxes = {
      FieldBox(DiagramRectOf(length_), 86, QStringLiteral("RX length (byte)")),
      StepBox(QRectF(14, row - 12, 44, 24), QStringLiteral("Initial")),
      restBox,
      FieldBox(DiagramRectOf(delay_), 62, QStringLiteral("Delay (ms)")),
      StepBox(QRectF(238, row - 12, 56, 24), QStringLiteral("Enter RX")),
      StepBox(QRectF(308, row - 12, 118, 24), QStringLiteral("Wait until receive data")),
      StepBox(QRectF(448, row + 46, 88, 24), QStringLiteral("Read RF FIFO")),
  };
  d.decisions = {crc};
  const qreal crcTop = row - 20;
  const qreal crcBottom = row + 20;
  d.arrows = {
      {QPolygonF{{58, row}, {restBox.frame.left(), row}}},
      {QPolygonF{{restBox.frame.right(), row}, {162, row}}},
      {QPolygonF{{224, row}, {238, row}}},
      {QPolygonF{{294, row}, {308, row}}},
      {QPolygonF{{426, row}, {442, row}}},
      {QPolygonF{{492, crcBottom}, {492, row + 46}}},
      {QPolygonF{
          {492, row + 70}, {492, row + 86}, {restX, row + 86}, {restX, restBox.frame.bottom()}}},
      {QPolygonF{{492, crcTop}, {492, row - 36}, {restX, row - 36}, {restX, restBox.frame.top()}}},
  };
  d.labels = {
      {{497, crcBottom + 15}, QStringLiteral("Pass")},
      {{497, crcTop - 6}, QStringLiteral("Error")},
  };
  d.captions = {
      DelayCaption(),
      RxLengthCaption(),
  };
  d.captionTopLeft = QPointF(14, row + 106);
  SetDiagram(std::move(d));
}

ModeValues RxPage::Values() const {
  ModeValues values;
  values.length = FieldNumber(length_->text());
  values.restState = restState_->currentIndex();
  values.delayMs = FieldNumber(delay_->text());
  return values;
}

void RxPage::ShowValues(const ModeValues& values) {
  length_->setText(QString::number(values.length));
  restState_->setCurrentIndex(values.restState);
  delay_->setText(QString::number(values.delayMs));
}

}  // namespace kitbuilder::ui
