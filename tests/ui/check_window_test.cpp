// The check of the form's settings on the virtual board, as a user runs it: with its shortcut or
// its button, in the background, cancelled, and its result window with the report, the picture
// of the lines and the trace that kitbuilder-cli writes too; and the check of a capture, with
// the question of its channels. The form's menu and its entries
// are tested with the other entries.

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QWheelEvent>
#include <QtTest>

#include "form_harness.h"
#include "simulator/check_report.h"
#include "tests/support/board_capture.h"
#include "ui/background_check.h"
#include "ui/channel_dialog.h"
#include "ui/check_result_window.h"
#include "ui/field_rules.h"
#include "ui/line_trace_view.h"

using namespace kitbuilder::ui;
using namespace kitbuilder::ui::testing;

namespace {

constexpr int kCheckMilliseconds = 120000;

/// SCK's toggles after the transfers of the long capture: about ten seconds of reading.
constexpr int kLongCaptureToggles = 100000;

/// The capture of a board that makes its reset and strobes CMD_TX, its channels named `names`
/// for SCS, SCK, SDIO, GIO1 and GIO2; then SCK toggling `toggles` times, every 10 ms.
QByteArray CaptureVcd(const std::vector<std::string>& names, int toggles) {
  return QByteArray::fromStdString(kitbuilder::testing::BoardCaptureVcd(names, 3, false, toggles));
}

void WheelOn(QWidget* widget, Qt::KeyboardModifiers modifiers) {
  const QPointF at = widget->visibleRegion().boundingRect().center();
  QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, modifiers,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(widget, &wheel);
}

}  // namespace

class CheckWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { harness_ = std::make_unique<FormHarness>(); }
  void cleanup() { harness_.reset(); }

  // The verdict, the report, a picture that zooms only with Ctrl held, and the trace that
  // kitbuilder-cli writes for the same settings, byte for byte.
  void CheckOfTheDefaultsPassesWithThePictureAndTraceOfTheRun() {
    SKIP_WITHOUT_CHECK_TOOLS();
    QTest::mouseClick(harness_->Form().findChild<QPushButton*>("check"), Qt::LeftButton);
    CheckResultWindow* window = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT(window = harness_->Form().findChild<CheckResultWindow*>(),
                             kCheckMilliseconds);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->Verdict(), QString(kitbuilder::simulator::kAsTheSettingsSayVerdict));
    QVERIFY(window->Report().contains("Pass 3, from"));
    QVERIFY(window->Report().trimmed().endsWith(window->Verdict()));

    LineTraceView* trace = window->Trace();
    QVERIFY(trace);
    const double fitted = trace->PixelsPerCycle();
    WheelOn(trace, Qt::NoModifier);
    QCOMPARE(trace->PixelsPerCycle(), fitted);
    const int width = trace->width();
    WheelOn(trace, Qt::ControlModifier);
    QVERIFY(trace->PixelsPerCycle() > fitted);
    QVERIFY(trace->width() > width);

    const QString saved = harness_->Directory().filePath("window.vcd");
    QVERIFY(window->SaveTrace(saved));
    const QByteArray vcd = FileBytes(saved);
    QVERIFY(vcd.contains("$timescale"));
    for (const char* line : {"SCS", "SCK", "SDIO", "GIO1", "GIO2"}) {
      QVERIFY2(vcd.contains(QByteArray(" ") + line + " $end"), line);
    }
    QProcess cli;
    cli.setWorkingDirectory(harness_->Directory().path());
    cli.start(KITBUILDER_CLI, {"--check", "--trace", "cli.vcd"});
    QVERIFY(cli.waitForFinished(kCheckMilliseconds));
    QCOMPARE(cli.exitCode(), 0);
    QVERIFY(vcd == FileBytes(harness_->Directory().filePath("cli.vcd")));
  }

  void CancelEndsTheRunWithoutResultAndTheFormStaysUsable() {
    SKIP_WITHOUT_CHECK_TOOLS();
    KitbuilderForm& form = harness_->Form();
    auto* channel = harness_->OnForm<QLineEdit>(1012);
    auto* button = form.findChild<QPushButton*>("check");
    ClickInto(channel);
    QTest::keyClick(channel, Qt::Key_F5);
    auto* progress = form.findChild<QProgressDialog*>();
    QVERIFY(progress && progress->isVisible());
    QVERIFY(!button->isEnabled());
    TypeInto(channel, "12");
    QCOMPARE(harness_->OnForm<QLabel>(1017)->text(), FrequencyReadout("12"));

    QPushButton* cancel = progress->findChild<QPushButton*>();
    QVERIFY(cancel);
    QTest::mouseClick(cancel, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), kCheckMilliseconds);
    QCOMPARE(harness_->Status(), QString("The check was cancelled."));
    QTest::qWait(100);
    QVERIFY(!form.findChild<CheckResultWindow*>());

    // The next check runs on the settings as they are now, on the board's clock.
    form.findChild<QComboBox*>("compiler")->setCurrentIndex(1);
    form.findChild<QLineEdit*>("mcuClock")->setText("11.0592");
    QTest::mouseClick(button, Qt::LeftButton);
    CheckResultWindow* window = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT(window = form.findChild<CheckResultWindow*>(), kCheckMilliseconds);
    QCOMPARE(window->Verdict(), QString(kitbuilder::simulator::kAsTheSettingsSayVerdict));
    QVERIFY(window->Report().contains("channel 12 ("));
    QVERIFY(window->Report().contains("11.0592 MHz"));

    // Closing the form while a check runs calls it off and waits for the worker.
    QTest::mouseClick(button, Qt::LeftButton);
    harness_.reset();
  }

  // The link with the board whose settings file is chosen: a file that cannot be read is refused
  // without a run; then the link's verdict, both boards' lines and the trace that
  // kitbuilder-cli --peer writes for the same pair, byte for byte.
  void LinkCheckShowsBothBoardsAndTheTraceOfTheRun() {
    SKIP_WITHOUT_CHECK_TOOLS();
    QProcess cli;
    cli.setWorkingDirectory(harness_->Directory().path());
    cli.start(KITBUILDER_CLI, {"--mode", "rx", "--save-settings", "rx.toml"});
    QVERIFY(cli.waitForFinished(kCheckMilliseconds));
    KitbuilderForm& form = harness_->Form();
    form.CheckLinkWith(harness_->Directory().filePath("missing.toml"));
    QVERIFY2(harness_->Status().contains("missing.toml"), qPrintable(harness_->Status()));
    QVERIFY(!form.findChild<QProgressDialog*>());

    form.CheckLinkWith(harness_->Directory().filePath("rx.toml"));
    CheckResultWindow* window = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT(window = form.findChild<CheckResultWindow*>(), kCheckMilliseconds);
    QCOMPARE(window->Verdict(), QString("The link works: 3 of 3 packets delivered."));
    QVERIFY(window->Report().contains(" peer   received: "));
    QVERIFY(window->Trace() && window->PeerTrace());
    const QString saved = harness_->Directory().filePath("window.vcd");
    QVERIFY(window->SaveTrace(saved));
    cli.start(KITBUILDER_CLI, {"--check", "--peer", "rx.toml", "--trace", "cli.vcd"});
    QVERIFY(cli.waitForFinished(kCheckMilliseconds));
    QCOMPARE(cli.exitCode(), 0);
    const QByteArray vcd = FileBytes(saved);
    QVERIFY(vcd.contains("$scope module peer $end"));
    QVERIFY(vcd == FileBytes(harness_->Directory().filePath("cli.vcd")));
  }

  // A firmware that does not build shows what SDCC said, for one board or for a link.
  void FailedBuildShowsWhatSdccSaid() {
    const std::string said = "main.c:12: error 20: Undefined identifier 'SCK'\n";
    auto single = std::make_shared<FinishedCheck>();
    single->run.status = kitbuilder::simulator::CheckRun::Status::kBuildFailed;
    single->run.message = said;
    auto link = std::make_shared<FinishedCheck>();
    link->link.emplace();
    link->link->status = kitbuilder::simulator::LinkRun::Status::kBuildFailed;
    link->link->message = said;
    for (const auto& check : {single, link}) {
      const CheckResultWindow window(check);
      QCOMPARE(window.Report(), QString::fromStdString(said));
      QVERIFY(window.Verdict().contains("does not build"));
      QVERIFY(!window.Trace());
    }
  }

  // "Check capture..." asks which channel carries which line, proposing the channels named like
  // the lines or those chosen for the last capture (the dialog's own test holds that memory),
  // then reads the capture in the background and shows its verdict, report and lines: here a
  // board that made its reset and then strobed CMD_TX, captured with its channels named like the
  // lines, then with numbered channels in another order; and a file that is no capture, refused
  // before anything is asked.
  void CaptureIsHeldAgainstTheSettingsOnTheChannelsChosen() {
    const QByteArray named = CaptureVcd({"SCS", "SCK", "SDIO", "GIO1", "GIO2"}, 0);
    // SCS on D1, SCK on D3, SDIO on D0, GIO1 on D2, GIO2 on D4.
    const QByteArray numbered = CaptureVcd({"D1", "D3", "D0", "D2", "D4"}, 0);
    const char* verdict =
        "Start-up: the board made `strobe CMD_TX` where the settings call for `write IDCODE_REG";
    const struct {
      const char* file;
      QByteArray text;
      const char* proposed;  ///< null: no question is asked
      const char* chosen;
      const char* verdict;
      const char* report;
    } cases[] = {
        {"board.vcd", named, "SCS=SCS,SCK=SCK,SDIO=SDIO,GIO1=GIO1,GIO2=GIO2", nullptr, verdict,
         "Lines: SCS=SCS SCK=SCK SDIO=SDIO GIO1=GIO1"},
        {"probes.vcd", numbered, "", "SCS=D1,SCK=D3,SDIO=D0,GIO1=D2", verdict,
         "Lines: SCS=D1 SCK=D3 SDIO=D0 GIO1=D2"},
        {"notes.txt", "no capture here\n", nullptr, nullptr, "The capture cannot be used: ", ""},
    };
    for (const auto& c : cases) {
      const QString path = harness_->Directory().filePath(c.file);
      QVERIFY(WriteBytes(path, c.text));
      harness_->Form().CheckCapture(path);
      auto* dialog = harness_->Form().findChild<ChannelDialog*>();
      QCOMPARE(dialog != nullptr, c.proposed != nullptr);
      if (dialog) {
        QVERIFY2(dialog->Mapping() == c.proposed, qPrintable(dialog->Mapping()));
        for (const QString& pair : QString(c.chosen).split(',', Qt::SkipEmptyParts)) {
          dialog->findChild<QComboBox*>(pair.section('=', 0, 0))
              ->setCurrentText(pair.section('=', 1));
        }
        QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
      }
      CheckResultWindow* window = nullptr;
      QTRY_VERIFY_WITH_TIMEOUT(window = harness_->Form().findChild<CheckResultWindow*>(),
                               kCheckMilliseconds);
      QVERIFY2(window->Verdict().startsWith(c.verdict), qPrintable(window->Verdict()));
      QVERIFY2(window->Report().contains(c.report), qPrintable(window->Report()));
      // The capture's lines are drawn as the virtual board's are; a capture is its own trace.
      QCOMPARE(window->Trace() != nullptr, c.proposed != nullptr);
      QVERIFY(!window->findChild<QPushButton*>("saveTrace"));
      delete window;
    }
  }

  // A capture that takes seconds to read: its channels are asked for at once, Cancel calls the
  // reading off within a fraction of it, and no result is shown.
  void CancelStopsTheReadingOfALongCapture() {
    const QString path = harness_->Directory().filePath("long.vcd");
    QVERIFY(
        WriteBytes(path, CaptureVcd({"SCS", "SCK", "SDIO", "GIO1", "GIO2"}, kLongCaptureToggles)));
    KitbuilderForm& form = harness_->Form();
    // The channels come from the header: the question does not wait for the reading.
    QElapsedTimer asked;
    asked.start();
    form.CheckCapture(path);
    auto* dialog = form.findChild<ChannelDialog*>();
    QVERIFY(dialog);
    QVERIFY2(asked.elapsed() < 1500, qPrintable(QString::number(asked.elapsed())));
    QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
    auto* progress = form.findChild<QProgressDialog*>();
    QVERIFY(progress && progress->isVisible());
    QTest::qWait(300);
    QElapsedTimer cancelled;
    cancelled.start();
    QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(harness_->Status() == "The check was cancelled.", kCheckMilliseconds);
    QVERIFY2(cancelled.elapsed() < 1500, qPrintable(QString::number(cancelled.elapsed())));
    QVERIFY(!form.findChild<CheckResultWindow*>());
  }

  void MissingToolsAreNamedWithHowToGetThem() {
    const PathSetTo empty(harness_->Directory().path());
    QTest::mouseClick(harness_->Form().findChild<QPushButton*>("check"), Qt::LeftButton);
    CheckResultWindow* window = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT(window = harness_->Form().findChild<CheckResultWindow*>(),
                             kCheckMilliseconds);
    QVERIFY2(window->Verdict().contains(kitbuilder::simulator::kMissingToolsHint),
             qPrintable(window->Verdict()));
    QVERIFY(!window->Trace());
  }

 private:
  std::unique_ptr<FormHarness> harness_;
};

QTEST_MAIN(CheckWindowTest)
#include "check_window_test.moc"
