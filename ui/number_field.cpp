#include "ui/number_field.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace kitbuilder::ui {
namespace {

bool IsTypedNonDigit(const QKeyEvent& event) {
  const QString text = event.text();
  if (text.isEmpty()) return false;
  // Control characters are the keyboard's editing and clipboard commands; let them through.
  if (!text.at(0).isPrint()) return false;
  for (const QChar c : text) {
    if (c < u'0' || c > u'9') return true;
  }
  return false;
}

}  // namespace

NumberField::NumberField(QWidget* parent) : QLineEdit(parent) {}

void NumberField::keyPressEvent(QKeyEvent* event) {
  const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
  if (!shortcut && IsTypedNonDigit(*event)) {
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void NumberField::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // A popup such as the field's own context menu leaves the field focused underneath.
  if (event->reason() != Qt::PopupFocusReason) emit FocusLost();
}

}  // namespace kitbuilder::ui
