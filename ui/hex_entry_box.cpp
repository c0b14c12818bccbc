#include "ui/hex_entry_box.h"

namespace kitbuilder::ui {
namespace {

constexpr int kHexDigitsPerByte = 2;

bool IsHexDigit(QChar c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

}  // namespace

QValidator::State HexByteValidator::validate(QString& input, int& /*position*/) const {
  if (input.size() > kHexDigitsPerByte) return Invalid;
  for (const QChar c : input) {
    if (!IsHexDigit(c)) return Invalid;
  }
  input = input.toUpper();
  return input.isEmpty() ? Intermediate : Acceptable;
}

HexEntryBox::HexEntryBox(QWidget* parent) : QLineEdit(parent) {
  setMaxLength(kHexDigitsPerByte);
  setValidator(new HexByteValidator(this));
}

}  // namespace kitbuilder::ui
