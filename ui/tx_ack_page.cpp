#include "ui/tx_ack_page.h"

#include <QComboBox>

#include "ui/field_rules.h"
#include "ui/number_field.h"

namespace kitbuilder::ui {

TxAckPage::TxAckPage(QWidget* parent)
    : ModePage(parent),
      length_(AddNumberField(1049, QRect(10, 9, 33, 14), QStringLiteral("9"), Rule::kLength)),
      ackLength_(AddNumberField(1051, QRect(57, 9, 32, 14), QStringLiteral("8"), Rule::kLength)),
      delay_(AddNumberField(1054, QRect(84, 47, 25, 14), QStringLiteral("10"), Rule::kAtMost255)),
      wait_(AddNumberField(1046, QRect(238, 47, 30, 14), QStringLiteral("40"), Rule::kAtMost255)),
      restState_(AddRestStateList(1058, QRect(37, 47, 35, 30))) {
  const QRectF rest = DiagramRectOf(restState_);
  const qreal row = rest.center().y();
  const qreal restX = rest.center().x();
  const DiagramBox restBox = ControlBox(rest);
  const DiagramBox waitBox = FieldBox(DiagramRectOf(wait_), 70, QStringLiteral("Wait (100us)"));
  const qreal column = waitBox.frame.center().x();
  const DiagramDecision ack{
      {column, waitBox.frame.bottom() + 32}, 110, 36, QStringLiteral("Receive ACK?")};
  const DiagramDecision crc{{column, ack.centre.y() + 52}, 100, 36, QStringLiteral("Check CRC")};
  const QRectF link(column - 30, crc.Bounds().bottom() + 16, 60, 22);
  const QRectF notLink(356, crc.centre.y() - 11, 72, 22);

  FlowDiagram d;
  d.boxes = {
      FieldBox(DiagramRectOf(length_), 86, QStringLiteral("TX length (byte)")),
      FieldBox(DiagramRectOf(ackLength_), 94, QStringLiteral("ACK length (byte)")),
      StepBox(QRectF(14, row - 12, 44, 24), QStringLiteral("Initial")),
      restBox,
      FieldBox(DiagramRectOf(delay_), 62, QStringLiteral("Delay (ms)")),
      StepBox(QRectF(238, row - 12, 54, 24), QStringLiteral("Enter TX")),
      StepBox(QRectF(306, row - 12, 80, 24), QStringLiteral("Wait TX finish")),
      StepBox(QRectF(400, row - 12, 56, 24), QStringLiteral("Enter RX")),
      waitBox,
      StepBox(link, QStringLiteral("Link")),
      StepBox(notLink, QStringLiteral("Not Link")),
  };
  d.decisions = {ack, crc};
  const QPointF notLinkTop(notLink.center().x(), notLink.top());
  d.arrows = {
      {QPolygonF{{58, row}, {restBox.frame.left(), row}}},
      {QPolygonF{{restBox.frame.right(), row}, {162, row}}},
      {QPolygonF{{224, row}, {238, row}}},
      {QPolygonF{{292, row}, {306, row}}},
      {QPolygonF{{386, row}, {400, row}}},
      {QPolygonF{{456, row}, {waitBox.frame.left(), row}}},
      {QPolygonF{{column, waitBox.frame.bottom()}, {column, ack.Bounds().top()}}},
      {QPolygonF{{column, ack.Bounds().bottom()}, {column, crc.Bounds().top()}}},
      {QPolygonF{{column, crc.Bounds().bottom()}, {column, link.top()}}},
      {QPolygonF{{crc.Bounds().left(), crc.centre.y()}, {notLink.right(), crc.centre.y()}}},
      {QPolygonF{
          {ack.Bounds().left(), ack.centre.y()}, {notLinkTop.x(), ack.centre.y()}, notLinkTop}},
      {QPolygonF{{notLink.left(), notLink.center().y()},
                 {restX, notLink.center().y()},
                 {restX, restBox.frame.bottom()}}},
      {QPolygonF{{link.left(), link.center().y()},
                 {restX, link.center().y()},
                 {restX, restBox.frame.bottom()}}},
  };
  d.labels = {
      {{column + 5, ack.Bounds().bottom() + 12}, QStringLiteral("Y")},
      {{ack.Bounds().left() - 14, ack.centre.y() - 4}, QStringLiteral("N")},
      {{column + 5, crc.Bounds().bottom() + 12}, QStringLiteral("Pass")},
      {{notLink.right() + 2, crc.centre.y() - 4}, QStringLiteral("Error")},
  };
  d.captions = {
      DelayCaption(),
      QStringLiteral("Wait: Time for waiting ACK, unit is 100us. Maximum is 255 and minimum is 0."),
      TxLengthCaption(),
      AckLengthCaption(),
  };
  d.captionTopLeft = QPointF(14, link.bottom() + 14);
  SetDiagram(std::move(d));
}

ModeValues TxAckPage::Values() const {
  ModeValues values;
  values.length = FieldNumber(length_->text());
  values.ackLength = FieldNumber(ackLength_->text());
  values.restState = restState_->currentIndex();
  values.delayMs = FieldNumber(delay_->text());
  values.wait100us = FieldNumber(wait_->text());
  return values;
}

void TxAckPage::ShowValues(const ModeValues& values) {
  length_->setText(QString::number(values.length));
  ackLength_->setText(QString::number(values.ackLength));
  restState_->setCurrentIndex(values.restState);
  delay_->setText(QString::number(values.delayMs));
  wait_->setText(QString::number(values.wait100us));
}

}  // namespace kitbuilder::ui
