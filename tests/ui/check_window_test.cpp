// The check of the form's settings on the virtual board, as a user runs it: with its shortcut or
// its button, in the background, cancelled, and its result window with the report, the picture
// of the lines and the trace that kitbuilder-cli writes too. The form's menu and its entries
// are tested with the other entries.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QWheelEvent>
#include <QtTest>

#include "form_harness.h"
#include "simulator/check_report.h"
#include "ui/background_check.h"
#include "ui/check_result_window.h"
#include "ui/field_rules.h"
#include "ui/line_trace_view.h"

using namespace kitbuilder::ui;
using namespace kitbuilder::ui::testing;

namespace {

constexpr int kCheckMilliseconds = 120000;

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
    const QByteArray vcd = ReadAll(saved);
    QVERIFY(vcd.contains("$timescale"));
    for (const char* line : {"SCS", "SCK", "SDIO", "GIO1", "GIO2"}) {
      QVERIFY2(vcd.contains(QByteArray(" ") + line + " $end"), line);
    }
    QProcess cli;
    cli.setWorkingDirectory(harness_->Directory().path());
    cli.start(KITBUILDER_CLI, {"--check", "--trace", "cli.vcd"});
    QVERIFY(cli.waitForFinished(kCheckMilliseconds));
    QCOMPARE(cli.exitCode(), 0);
    QVERIFY(vcd == ReadAll(harness_->Directory().filePath("cli.vcd")));
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
    const QByteArray vcd = ReadAll(saved);
    QVERIFY(vcd.contains("$scope module peer $end"));
    QVERIFY(vcd == ReadAll(harness_->Directory().filePath("cli.vcd")));
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

  // "Check capture..." reads the capture in the background and shows its verdict and report:
  // here a board that made its reset and then strobed CMD_TX, and a file that is no capture.
  void CaptureIsHeldAgainstTheSettings() {
    QString vcd =
        "$timescale 1 us $end\n$scope module analyzer $end\n$var wire 1 a SCS $end\n"
        "$var wire 1 b SCK $end\n$var wire 1 c SDIO $end\n$var wire 1 d GIO1 $end\n"
        "$var wire 1 e GIO2 $end\n$upscope $end\n$enddefinitions $end\n#0\n1a\n0b\n1c\n0d\n1e\n";
    int time = 0;
    for (const QList<int>& transfer : {QList<int>{0x00, 0x00}, QList<int>{0xD0}}) {
      vcd += QString("#%1\n0a\n").arg(time += 3);
      for (int byte : transfer) {
        for (int bit = 7; bit >= 0; --bit) {
          vcd += QString("#%1\n%2c\n").arg(time += 3).arg((byte >> bit) & 1);
          vcd += QString("#%1\n1b\n").arg(time += 3);
          vcd += QString("#%1\n0b\n").arg(time += 3);
        }
      }
      vcd += QString("#%1\n1a\n").arg(time += 3);
    }
    // WTR rises and falls once, as it does while the packet goes out.
    vcd += QString("#%1\n1d\n").arg(time += 3);
    vcd += QString("#%1\n0d\n#%2\n").arg(time + 3).arg(time + 10);
    const struct {
      const char* file;
      QString text;
      const char* verdict;
      const char* report;
    } cases[] = {
        {"board.vcd", vcd,
         "Start-up: the board made `strobe CMD_TX` where the settings call for `write IDCODE_REG",
         "Lines: SCS=SCS SCK=SCK SDIO=SDIO GIO1=GIO1"},
        {"notes.txt", "no capture here\n", "The capture cannot be used: ", ""},
    };
    for (const auto& c : cases) {
      const QString path = harness_->Directory().filePath(c.file);
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(c.text.toUtf8());
      file.close();
      harness_->Form().CheckCapture(path);
      CheckResultWindow* window = nullptr;
      QTRY_VERIFY_WITH_TIMEOUT(window = harness_->Form().findChild<CheckResultWindow*>(),
                               kCheckMilliseconds);
      QVERIFY2(window->Verdict().startsWith(c.verdict), qPrintable(window->Verdict()));
      QVERIFY2(window->Report().contains(c.report), qPrintable(window->Report()));
      QVERIFY(!window->Trace());
      delete window;
    }
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
