#pragma once
// A text field for a decimal number, as the channel field and the mode pages use it.

#include <QLineEdit>

namespace kitbuilder::ui {

/// Drops typed characters other than digits (as the old form's digits-only fields did; pasted
/// text still gets through, which is why the range corrections read the text leniently) and
/// reports each time the keyboard focus really leaves it.
class NumberField : public QLineEdit {
  Q_OBJECT

 public:
  explicit NumberField(QWidget* parent = nullptr);

 signals:
  /// Emitted on every focus loss, whether or not the text changed since the field got focus.
  void FocusLost();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace kitbuilder::ui
