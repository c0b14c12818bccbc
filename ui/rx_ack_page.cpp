#include "ui/rx_ack_page.h"

#include <QComboBox>

#include "ui/field_rules.h"
#include "ui/number_field.h"

namespace kitbuilder::ui {

RxAckPage::RxAckPage(QWidget* parent)
    : ModePage(parent),
      length_(AddNumberField(1051, QRect(9, 9, 33, 14), QStringLiteral("9"), Rule::kLength)),
      ackLength_(AddNumberField(1052, QRect(56, 9, 35, 14), QStringLiteral("8"), Rule::kLength)),
      restState_(AddRestStateList(1043, QRect(37, 57, 35, 30))),
      delay_(AddNumberField(1049, QRect(84, 56, 25, 14), QStringLiteral("8"), Rule::kAtMost255)) {
  const QRectF rest = DiagramRectOf(restState_);
  const qreal row = rest.center().y();
  const qreal restX = rest.center().x();
  const DiagramBox restBox = ControlBox(rest);
  const DiagramDecision crc{{492, row}, 100, 40, QStringLiteral("Check CRC")};
  const qreal lower = row + 51;  // the row of the acknowledgement, right to left
  const QRectF readFifo(448, lower - 11, 88, 22);
  const QRectF sendAck(312, lower - 11, 116, 22);
  const QRectF waitTx(212, lower - 11, 80, 22);

  FlowDiagram d;
  d.boxes = {
      FieldBox(DiagramRectOf(length_), 86, QStringLiteral("RX length (byte)")),
      FieldBox(DiagramRectOf(ackLength_), 94, QStringLiteral("ACK length (byte)")),
      StepBox(QRectF(14, row - 12, 44, 24), QStringLiteral("Initial")),
      restBox,
      FieldBox(DiagramRectOf(delay_), 62, QStringLiteral("Delay (ms)")),
      StepBox(QRectF(238, row - 12, 56, 24), QStringLiteral("Enter RX")),
      StepBox(QRectF(308, row - 12, 118, 24), QStringLiteral("Wait until receive data")),
      StepBox(readFifo, QStringLiteral("Read RF FIFO")),
      StepBox(sendAck, QStringLiteral("Enter TX (send ACK)")),
      StepBox(waitTx, QStringLiteral("Wait TX finish")),
  };
  d.decisions = {crc};
  const qreal crcTop = crc.Bounds().top();
  const qreal crcBottom = crc.Bounds().bottom();
  d.arrows = {
      {QPolygonF{{58, row}, {restBox.frame.left(), row}}},
      {QPolygonF{{restBox.frame.right(), row}, {162, row}}},
      {QPolygonF{{224, row}, {238, row}}},
      {QPolygonF{{294, row}, {308, row}}},
      {QPolygonF{{426, row}, {crc.Bounds().left(), row}}},
      {QPolygonF{{492, crcTop}, {492, row - 36}, {restX, row - 36}, {restX, restBox.frame.top()}}},
      {QPolygonF{{492, crcBottom}, {492, readFifo.top()}}},
      {QPolygonF{{readFifo.left(), lower}, {sendAck.right(), lower}}},
      {QPolygonF{{sendAck.left(), lower}, {waitTx.right(), lower}}},
      {QPolygonF{{waitTx.left(), lower}, {restX, lower}, {restX, restBox.frame.bottom()}}},
  };
  d.labels = {
      {{497, crcBottom + 13}, QStringLiteral("Pass")},
      {{497, crcTop - 6}, QStringLiteral("Error")},
  };
  d.captions = {
      DelayCaption(),
      RxLengthCaption(),
      AckLengthCaption(),
  };
  d.captionTopLeft = QPointF(14, lower + 30);
  SetDiagram(std::move(d));
}

ModeValues RxAckPage::Values() const {
  ModeValues values;
  values.length = FieldNumber(length_->text());
  values.ackLength = FieldNumber(ackLength_->text());
  values.restState = restState_->currentIndex();
  values.delayMs = FieldNumber(delay_->text());
  return values;
}

void RxAckPage::ShowValues(const ModeValues& values) {
  length_->setText(QString::number(values.length));
  ackLength_->setText(QString::number(values.ackLength));
  restState_->setCurrentIndex(values.restState);
  delay_->setText(QString::number(values.delayMs));
}

}  // namespace kitbuilder::ui
