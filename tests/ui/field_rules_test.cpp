// The text rules of the number fields, independent of any widget.

#include "ui/field_rules.h"

#include <QtTest>

using namespace kitbuilder::ui;

namespace {

/// A text given to a rule and what the rule must make of it.
struct RuleCase {
  const char* given;
  const char* expected;
};

}  // namespace

class FieldRulesTest : public QObject {
  Q_OBJECT

 private slots:
  void ReadsNumbersLikePercentD() {
    const std::pair<const char*, int> cases[] = {{"100", 100},    {"007", 7}, {"12ab", 12},
                                                 {"  -12x", -12}, {"", 0},    {"abc", 0}};
    for (const auto& [text, number] : cases) QCOMPARE(FieldNumber(text), number);
  }

  void CorrectsTheChannelWithTheStatusText() {
    const QString tooLarge = "The PLL1 value too large. Now fixed it to 166.";
    const QString tooSmall = "The PLL1 value too small. Now fixed it to 0.";
    const struct {
      const char* typed;
      const char* shown;
      QString message;
    } cases[] = {{"12", "12", ""},         {"007", "7", ""},     {"166", "166", ""},
                 {"0", "0", ""},           {"", "0", ""},        {"167", "166", tooLarge},
                 {"999", "166", tooLarge}, {"-5", "0", tooSmall}};
    for (const auto& c : cases) {
      const ChannelCorrection correction = CorrectChannel(c.typed);
      QVERIFY2(correction.text == c.shown && correction.statusMessage == c.message, c.typed);
    }
  }

  // No correction (empty expected text) leaves the text as it is, leading zeros and letters too.
  void CorrectsLengthsDelaysAndWaits() {
    const RuleCase lengths[] = {{"9", ""},  {"064", ""},  {"12ab", ""},
                                {"1", ""},  {"65", "64"}, {"99999999999", "64"},
                                {"0", "1"}, {"-3", "1"},  {"", "1"}};
    for (const RuleCase& c : lengths) {
      QVERIFY2(CorrectLength(c.given).value_or(QString()) == c.expected, c.given);
    }
    const RuleCase times[] = {{"40", ""},   {"0", ""}, {"255", ""}, {"300", "255"},
                              {"0255", ""}, {"", "0"}, {"x", "0"},  {"-5", "0"}};
    for (const RuleCase& c : times) {
      QVERIFY2(CorrectAtMost255(c.given).value_or(QString()) == c.expected, c.given);
    }
    // A page's values as the live verdict takes them: each with its own field's rule.
    const kitbuilder::ModeValues corrected = CorrectedModeValues({0, 65, 1, -5, 300});
    QCOMPARE(corrected.length, 1);
    QCOMPARE(corrected.ackLength, 64);
    QCOMPARE(corrected.restState, 1);
    QCOMPARE(corrected.delayMs, 0);
    QCOMPARE(corrected.wait100us, 255);
  }
};

QTEST_GUILESS_MAIN(FieldRulesTest)
#include "field_rules_test.moc"
