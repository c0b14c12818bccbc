#pragma once
// One byte of the RF ID: a box that only ever holds up to two hexadecimal digits, upper case.

#include <QLineEdit>
#include <QValidator>

namespace kitbuilder::ui {

/// Accepts "" and one or two hex digits, turning letters to upper case. Everything else is
/// refused, whether typed, pasted or dropped: the text goes verbatim into the generated C.
class HexByteValidator : public QValidator {
  Q_OBJECT

 public:
  using QValidator::QValidator;
  State validate(QString& input, int& position) const override;
};

class HexEntryBox : public QLineEdit {
  Q_OBJECT

 public:
  explicit HexEntryBox(QWidget* parent = nullptr);
};

}  // namespace kitbuilder::ui
