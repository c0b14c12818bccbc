// The verdict beside "Check...": it follows the form's settings on its own, calls off a check
// whose settings changed and shows only the last one, names a field that cannot be used without
// a check, and without the tools says so once and stays quiet.

#include "ui/live_verdict.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

#include "form_harness.h"
#include "ui/background_check.h"

using namespace kitbuilder::ui;
using namespace kitbuilder::ui::testing;

namespace {

constexpr int kCheckMilliseconds = 120000;
constexpr int kDelayMilliseconds = 50;
const QString kWorks = QStringLiteral("Works on the virtual board");

}  // namespace

class LiveVerdictTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    harness_ = std::make_unique<FormHarness>();
    verdict_ = harness_->Form().findChild<LiveVerdict*>();
    QVERIFY(verdict_);
    verdict_->SetDelay(kDelayMilliseconds);
    label_ = harness_->Form().findChild<QLabel*>(QStringLiteral("verdict"));
    QVERIFY(label_);
  }
  void cleanup() { harness_.reset(); }

  void FollowsTheSettingsAndShowsOnlyTheLastCheck() {
    SKIP_WITHOUT_CHECK_TOOLS();
    QSignalSpy started(verdict_, &LiveVerdict::CheckStarted);
    QSignalSpy calledOff(verdict_, &LiveVerdict::CheckCalledOff);
    QSignalSpy shown(verdict_, &LiveVerdict::VerdictShown);
    // Called off, not only left unshown: the run is told to stop.
    QSignalSpy cancelled(verdict_->findChild<BackgroundCheck*>(), &BackgroundCheck::Cancelled);
    auto* channel = harness_->OnForm<QLineEdit>(1012);
    TypeInto(channel, "12");
    // Typed in one go: one check, after the delay, while the verdict says it is coming.
    QVERIFY(label_->text().startsWith("Checking"));
    QCOMPARE(verdict_->Verdict(), QString());
    QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, kCheckMilliseconds);
    QCOMPARE(started.count(), 1);
    QCOMPARE(shown.at(0).at(0).toString(), kWorks);
    QCOMPARE(label_->text(), kWorks);

    TypeInto(channel, "13");
    QTRY_COMPARE(started.count(), 2);
    // While channel 13 builds, SDIO is put on SCK's pin: that check is called off, and the
    // verdict is the last settings'.
    auto* sdioPort = harness_->OnForm<QComboBox>(1064);
    auto* sdioPin = harness_->OnForm<QComboBox>(1068);
    sdioPort->setCurrentIndex(harness_->OnForm<QComboBox>(1063)->currentIndex());
    sdioPin->setCurrentIndex(harness_->OnForm<QComboBox>(1067)->currentIndex());
    QVERIFY(label_->text().startsWith("Checking"));
    QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 2, kCheckMilliseconds);
    QCOMPARE(calledOff.count(), 1);
    QCOMPARE(cancelled.count(), 1);
    QCOMPARE(started.count(), 3);
    const QString problem = shown.at(1).at(0).toString();
    QVERIFY2(problem.startsWith("SCK and SDIO are both wired to pin P"), qPrintable(problem));
    QCOMPARE(verdict_->Verdict(), problem);
    QCOMPARE(label_->toolTip(), problem);
    QVERIFY(!problem.contains(QLatin1Char('\n')));
  }

  void NamesAFieldThatCannotBeUsedWithoutACheck() {
    QSignalSpy started(verdict_, &LiveVerdict::CheckStarted);
    QSignalSpy shown(verdict_, &LiveVerdict::VerdictShown);
    TypeInto(harness_->OnForm<QLineEdit>(1014), "");
    QTRY_COMPARE(shown.count(), 1);
    QCOMPARE(shown.at(0).at(0).toString(),
             QString("RF ID box 2 is empty: enter one or two hex digits."));
    QCOMPARE(started.count(), 0);
  }

  void SaysOnceThatTheToolsAreMissingAndStaysQuiet() {
    const PathSetTo empty(harness_->Directory().path());
    QSignalSpy started(verdict_, &LiveVerdict::CheckStarted);
    QSignalSpy shown(verdict_, &LiveVerdict::VerdictShown);
    auto* channel = harness_->OnForm<QLineEdit>(1012);
    TypeInto(channel, "12");
    QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, kCheckMilliseconds);
    const QString missing = shown.at(0).at(0).toString();
    QVERIFY2(missing.contains("apt install sdcc sdcc-ucsim"), qPrintable(missing));
    TypeInto(channel, "13");
    QTest::qWait(4 * kDelayMilliseconds);
    QCOMPARE(started.count(), 1);
    QCOMPARE(shown.count(), 1);
    QCOMPARE(label_->toolTip(), missing);
  }

 private:
  std::unique_ptr<FormHarness> harness_;
  LiveVerdict* verdict_ = nullptr;
  QLabel* label_ = nullptr;
};

QTEST_MAIN(LiveVerdictTest)
#include "live_verdict_test.moc"
