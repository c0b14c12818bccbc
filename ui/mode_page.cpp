#include "ui/mode_page.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QPainter>

#include "ui/field_rules.h"
#include "ui/number_field.h"

namespace kitbuilder::ui {
namespace {

// The old pages used a font whose dialog unit is two pixels each way at 96 DPI.
constexpr qreal kDesignPixelsPerUnit = 2;
constexpr qreal kDesignDpi = 96;
constexpr int kListClosedHeightUnits = 12;

QFont PageFont() {
  return QFont(QStringLiteral("Arial"), 10);
}

}  // namespace

ModePage::ModePage(QWidget* parent)
    : QWidget(parent),
      scale_(logicalDpiY() / kDesignDpi),
      units_(4 * kDesignPixelsPerUnit * scale_, 8 * kDesignPixelsPerUnit * scale_) {
  setFont(PageFont());
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ModePage::ApplyRangeRules() {
  for (const auto& [field, rule] : rules_) ApplyRule(field, rule);
}

void ModePage::Place(QWidget* control, int id, const QRect& units) {
  control->setObjectName(QString::number(id));
  control->setGeometry(units_.Rect(units.x(), units.y(), units.width(), units.height()));
  // Focus enters the page at its first control in focus order.
  if (!focusProxy()) setFocusProxy(control);
}

NumberField* ModePage::AddNumberField(int id, const QRect& units, const QString& defaultText,
                                      Rule rule) {
  auto* field = new NumberField(this);
  Place(field, id, units);
  field->setAlignment(Qt::AlignCenter);
  field->setText(defaultText);
  rules_.emplace_back(field, rule);
  connect(field, &NumberField::FocusLost, this, [this, field, rule] { ApplyRule(field, rule); });
  connect(field, &QLineEdit::textChanged, this, &ModePage::ValuesEdited);
  return field;
}

QComboBox* ModePage::AddRestStateList(int id, const QRect& units) {
  auto* list = new QComboBox(this);
  list->addItems({QStringLiteral("Sleep"), QStringLiteral("Standby")});
  list->setCurrentIndex(0);
  Place(list, id, QRect(units.topLeft(), QSize(units.width(), kListClosedHeightUnits)));
  connect(list, &QComboBox::currentIndexChanged, this, &ModePage::ValuesEdited);
  return list;
}

QRectF ModePage::DiagramRectOf(const QWidget* control) const {
  const QRectF pixels(control->geometry());
  return QRectF(pixels.topLeft() / scale_, pixels.size() / scale_);
}

void ModePage::ApplyRule(NumberField* field, Rule rule) {
  const std::optional<QString> corrected =
      rule == Rule::kLength ? CorrectLength(field->text()) : CorrectAtMost255(field->text());
  if (corrected) field->setText(*corrected);
}

void ModePage::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  painter.scale(scale_, scale_);
  PaintFlowDiagram(&painter, diagram_);
}

void ModePage::keyPressEvent(QKeyEvent* event) {
  // The form must not see these: Enter would build and Escape would end the program.
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      event->accept();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

QString DelayCaption() {
  return QStringLiteral("Delay: Just a delay time. Maximum is 255 and minimum is 0.");
}

QString TxLengthCaption() {
  return QStringLiteral("TX length: The data size for TX. Maximum is 64 and minimum is 1.");
}

QString RxLengthCaption() {
  return QStringLiteral("RX length: The data size for RX. Maximum is 64 and minimum is 1.");
}

QString AckLengthCaption() {
  return QStringLiteral("ACK length: The data size for ACK. Maximum is 64 and minimum is 1.");
}

}  // namespace kitbuilder::ui
