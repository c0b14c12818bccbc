// Builds started from the form: the files of the defaults, the clock a C51 build has not and a
// refused clock, the corrections a build applies first, its failures and the lines that tell
// what became of an edited main.c, or why a build over its unresolved conflict wrote nothing. The
// files of every other control are compared with those of kitbuilder-cli beside the settings files.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include "engine/build_sequence.h"
#include "form_harness.h"
#include "settings/settings_text.h"
#include "tests/support/memory_output_files.h"

using namespace kitbuilder;
using namespace kitbuilder::ui;
using namespace kitbuilder::ui::testing;
using kitbuilder::testing::MemoryOutputFiles;

namespace {

const char* const kOutputNames[] = {"main.c", "define.h", "K3960reg.h"};

/// The files that the engine writes for `settings`, by file name.
std::map<std::string, std::string> EngineFiles(const GenerationSettings& settings) {
  MemoryOutputFiles memory;
  RunBuildSequence(EmbeddedStore(), memory, "/out/", settings,
                   settings::SettingsFileText(settings));
  std::map<std::string, std::string> byName;
  for (const auto& [path, bytes] : memory.files) byName[path.substr(5)] = bytes;
  return byName;
}

}  // namespace

class BuildTest : public QObject {
  Q_OBJECT

 private slots:
  void ClockFieldsAreForSdccAndAClockOutOfRangeBuildsNothing() {
    FormHarness h;
    auto* clock = h.Form().findChild<QLineEdit*>("mcuClock");
    auto* cycles = h.Form().findChild<QComboBox*>("clocksPerCycle");
    QVERIFY(!clock->isEnabled() && !cycles->isEnabled());
    h.Form().findChild<QComboBox*>("compiler")->setCurrentIndex(1);
    QVERIFY(clock->isEnabled() && cycles->isEnabled());
    TypeInto(clock, "60");
    h.Build();
    QVERIFY(h.Status().startsWith("MCU clock 60 MHz is out of range"));
    QVERIFY(!QFile::exists(h.Directory().filePath("main.c")));
  }

  // Those of the first tab are the reviewed files, and a build writes nothing else.
  void DefaultsBuildTheDefaultSettingsOfEachMode() {
    const QDir golden(QStringLiteral(KITBUILDER_GOLDEN_DIR));
    const std::pair<const char*, QString> reviewed[] = {
        {"main.c", golden.filePath("tx_3wire_gio1_sleep_0dbm_2m/main.c")},
        {"define.h", golden.filePath("define.h")},
        {"K3960reg.h", golden.filePath("K3960reg.h")}};
    for (int mode = 0; mode < 4; ++mode) {
      FormHarness h;
      h.SelectTab(mode);
      h.Build();
      std::map<std::string, std::string> expected = EngineFiles(DefaultSettings(mode));
      for (const char* name : kOutputNames) {
        QCOMPARE(FileBytes(h.Directory().filePath(name)).toStdString(), expected[name]);
      }
      QCOMPARE(QDir(h.Directory().path())
                   .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
               (QStringList{".kitbuilder", "define.h", "K3960reg.h", "main.c"}));
      if (mode != 0) continue;
      for (const auto& [name, path] : reviewed) {
        const QByteArray bytes = FileBytes(path);
        QVERIFY2(!bytes.isEmpty(), qPrintable(path));
        QVERIFY2(FileBytes(h.Directory().filePath(name)) == bytes, name);
      }
    }
  }

  // The lines that tell of an edited main.c show in the status line, all at once; built again
  // before the conflict is resolved, the build is refused and nothing is written. What a merge
  // makes of an edit is the engine's, tested there.
  void RebuildOverAConflictingEditShowsTheConflictThenRefuses() {
    FormHarness h;
    h.Form().findChild<QComboBox*>("compiler")->setCurrentIndex(1);
    const QString mainProgram = h.Directory().filePath("main.c");
    const QString backup = h.Directory().filePath("main.c.bak");
    h.Build();
    QCOMPARE(h.Status(), "All file creat success.");

    QByteArray edited = FileBytes(mainProgram);
    const QByteArray channelLine = "    K3960_WriteReg( PLL1_REG, 100 );";
    QVERIFY(edited.contains(channelLine));
    edited.replace(channelLine, "    K3960_WriteReg( PLL1_REG, 7 );");
    QVERIFY(WriteBytes(mainProgram, edited));
    TypeInto(h.OnForm<QLineEdit>(1012), "12");
    h.Build();
    QCOMPARE(h.Status(), QStringLiteral("All file creat success.\nmain.c: 1 conflict between your "
                                        "edits and the new settings, at line 157; your version "
                                        "is in main.c.bak"));
    QCOMPARE(FileBytes(backup), edited);
    QVERIFY(FileBytes(mainProgram).contains("<<<<<<< your edits\r\n"));
    QCOMPARE(h.OnForm<QPlainTextEdit>(1004)->verticalScrollBar()->maximum(), 0);

    const QByteArray conflicted = FileBytes(mainProgram);
    TypeInto(h.OnForm<QLineEdit>(1012), "20");
    h.Build();
    QCOMPARE(h.Status(), QStringLiteral("main.c still holds the conflict from the last build at "
                                        "line 157: resolve it (keep one side, delete the marker "
                                        "lines) and build again"));
    QCOMPARE(FileBytes(mainProgram), conflicted);
    QCOMPARE(FileBytes(backup), edited);
  }

  // A build or a save corrects the fields it reads, the channel left with Enter or Ctrl+S while
  // it still has the focus, and uses the corrected values.
  void BuildAndSaveCorrectTheFieldsTheyRead_data() {
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("delay");
    QTest::addColumn<int>("correctedDelay");
    QTest::newRow("build, empty delay") << false << "" << 0;
    QTest::newRow("save, delay too long") << true << "999" << 255;
  }
  void BuildAndSaveCorrectTheFieldsTheyRead() {
    QFETCH(bool, save);
    QFETCH(QString, delay);
    QFETCH(int, correctedDelay);
    FormHarness h;
    h.Form().Page(0)->findChild<QLineEdit*>("1046")->setText("0");
    h.Form().Page(0)->findChild<QLineEdit*>("1045")->setText(delay);
    auto* channel = h.OnForm<QLineEdit>(1012);
    TypeInto(channel, "200");
    const QString saved = h.Directory().filePath("corrected.toml");
    if (save) {
      QVERIFY(h.SaveSettings(saved));
    } else {
      QTest::keyClick(channel, Qt::Key_Return);
      QCOMPARE(h.Status(), "All file creat success.");
    }
    QCOMPARE(channel->text(), "166");
    QCOMPARE(h.Form().Page(0)->findChild<QLineEdit*>("1046")->text(), "1");
    QCOMPARE(h.Form().Page(0)->findChild<QLineEdit*>("1045")->text(),
             QString::number(correctedDelay));
    GenerationSettings expected = DefaultSettings(kModeTx);
    expected.rf.channel = 166;
    PlaceModeValues(kModeTx, ModeValues{1, 8, 0, correctedDelay, 40}, &expected.rf);
    if (save) {
      QCOMPARE(FileBytes(saved).toStdString(), settings::SettingsFileText(expected));
    } else {
      QCOMPARE(FileBytes(h.Directory().filePath("main.c")).toStdString(),
               EngineFiles(expected)["main.c"]);
    }
  }

  void UnwritableOutputDirectoryIsReported() {
    FormHarness h;
    QDir(h.Directory().path()).mkdir("gone");
    QDir::setCurrent(h.Directory().filePath("gone"));
    QTest::mouseClick(h.OnForm<QWidget>(1020), Qt::LeftButton);
    QDir::setCurrent(h.Directory().path());
    QVERIFY(QDir(h.Directory().filePath("gone")).removeRecursively());
    h.Build();
    QCOMPARE(h.Status(), "Creat main.c had some error!! ERROR CODE=-4");
    QVERIFY(QDir(h.Directory().path()).isEmpty());
  }

  // The message box names the file and the system error and, where main.c was kept as a backup
  // before the failed write, says so; the status line and the focus stay where they were.
  void WriteErrorAfterOpenShowsAMessageAndKeepsTheStatus_data() {
    QTest::addColumn<bool>("edited");
    QTest::newRow("no main.c before") << false;
    QTest::newRow("main.c edited by the user") << true;
  }
  void WriteErrorAfterOpenShowsAMessageAndKeepsTheStatus() {
    QFETCH(bool, edited);
    MemoryOutputFiles memory;
    FormHarness h(&memory);
    const std::string typeHeader = h.Directory().filePath("define.h").toStdString();
    const std::string backup = h.Directory().filePath("main.c.bak").toStdString();
    memory.faults[typeHeader] = {WriteOutcome::Status::kFailed, "No space left on device"};
    if (edited) memory.files[h.Directory().filePath("main.c").toStdString()] = "edited by the user";
    h.OnForm<QPlainTextEdit>(1004)->setPlainText("earlier text");
    QString message;
    QTimer::singleShot(50, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        message = box->text();
        box->accept();
      }
    });
    h.Build();
    QVERIFY2(message.contains(QString::fromStdString(typeHeader)), qPrintable(message));
    QVERIFY2(message.contains("No space left on device"), qPrintable(message));
    QCOMPARE(message.endsWith("\nPrevious main.c kept as main.c.bak."), edited);
    QCOMPARE(h.Status(), "earlier text");
    QVERIFY(!h.Form().Page(0)->isAncestorOf(QApplication::focusWidget()));
    QCOMPARE(memory.writeOrder.size(), size_t(edited ? 3 : 2));
    QCOMPARE(memory.files.count(backup) == 1, edited);
    if (edited) QCOMPARE(memory.files[backup], "edited by the user");
  }
};

QTEST_MAIN(BuildTest)
#include "build_test.moc"
