// The text rules of the number fields, independent of any widget.

#include "ui/field_rules.h"

#include <QtTest>

using namespace kitbuilder::ui;

class FieldRulesTest : public QObject {
  Q_OBJECT

 private slots:
  void ReadsNumbersLikePercentD_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number");
    QTest::newRow("plain") << "100" << 100;
    QTest::newRow("leading zeros") << "007" << 7;
    QTest::newRow("letters after digits") << "12ab" << 12;
    QTest::newRow("blanks and sign") << "  -12x" << -12;
    QTest::newRow("empty reads as 0") << "" << 0;
    QTest::newRow("letters only read as 0") << "abc" << 0;
  }
  void ReadsNumbersLikePercentD() {
    QFETCH(QString, text);
    QFETCH(int, number);
    QCOMPARE(FieldNumber(text), number);
  }

  void ShowsTheChannelFrequency_data() {
    QTest::addColumn<QString>("channel");
    QTest::addColumn<QString>("readout");
    QTest::newRow("100") << "100"
                         << "Frequency = 2450.0MHz";
    QTest::newRow("1") << "1"
                       << "Frequency = 2400.5MHz";
    QTest::newRow("166") << "166"
                         << "Frequency = 2483.0MHz";
    QTest::newRow("999 while typing") << "999"
                                      << "Frequency = 2899.5MHz";
    QTest::newRow("empty") << ""
                           << "Frequency = 2400.0MHz";
  }
  void ShowsTheChannelFrequency() {
    QFETCH(QString, channel);
    QFETCH(QString, readout);
    QCOMPARE(FrequencyReadout(channel), readout);
  }

  void CorrectsTheChannel_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message");
    const QString tooLarge = "The PLL1 value too large. Now fixed it to 166.";
    const QString tooSmall = "The PLL1 value too small. Now fixed it to 0.";
    QTest::newRow("in range") << "12"
                              << "12"
                              << "";
    QTest::newRow("leading zeros go") << "007"
                                      << "7"
                                      << "";
    QTest::newRow("upper limit") << "166"
                                 << "166"
                                 << "";
    QTest::newRow("above") << "167"
                           << "166" << tooLarge;
    QTest::newRow("far above") << "999"
                               << "166" << tooLarge;
    QTest::newRow("lower limit") << "0"
                                 << "0"
                                 << "";
    QTest::newRow("negative") << "-5"
                              << "0" << tooSmall;
    QTest::newRow("empty becomes 0") << ""
                                     << "0"
                                     << "";
  }
  void CorrectsTheChannel() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    const ChannelCorrection correction = CorrectChannel(typed);
    QCOMPARE(correction.text, shown);
    QCOMPARE(correction.statusMessage, message);
  }

  void CorrectsLengths_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");  // empty: the text stays as it is
    QTest::newRow("in range") << "9"
                              << "";
    QTest::newRow("leading zeros stay") << "064"
                                        << "";
    QTest::newRow("letters after digits stay") << "12ab"
                                               << "";
    QTest::newRow("lowest") << "1"
                            << "";
    QTest::newRow("above") << "65"
                           << "64";
    QTest::newRow("beyond 32 bits") << "99999999999"
                                    << "64";
    QTest::newRow("zero") << "0"
                          << "1";
    QTest::newRow("negative") << "-3"
                              << "1";
    QTest::newRow("empty") << ""
                           << "1";
  }
  void CorrectsLengths() {
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(CorrectLength(text).value_or(QString()), shown);
  }

  void CorrectsDelaysAndWaits_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");  // empty: the text stays as it is
    QTest::newRow("in range") << "40"
                              << "";
    QTest::newRow("zero stays") << "0"
                                << "";
    QTest::newRow("upper limit") << "255"
                                 << "";
    QTest::newRow("above") << "300"
                           << "255";
    QTest::newRow("leading zeros stay") << "0255"
                                        << "";
    QTest::newRow("empty shows the 0 a build uses") << ""
                                                    << "0";
    QTest::newRow("no digits") << "x"
                               << "0";
    QTest::newRow("negative pasted") << "-5"
                                     << "0";
  }
  void CorrectsDelaysAndWaits() {
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(CorrectAtMost255(text).value_or(QString()), shown);
  }
};

QTEST_GUILESS_MAIN(FieldRulesTest)
#include "field_rules_test.moc"
