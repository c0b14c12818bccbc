// Builds started from the form: the files equal those of kitbuilder-cli for the same settings in
// either compiler's dialect, the corrections a build applies first, its refusals, its failures
// and the lines that tell what became of an edited main.c.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include "engine/build_sequence.h"
#include "form_harness.h"
#include "settings/settings_text.h"
#include "tests/support/memory_output_files.h"
#include "ui/number_field.h"

using namespace kitbuilder;
using namespace kitbuilder::ui;
using namespace kitbuilder::ui::testing;
using kitbuilder::testing::MemoryOutputFiles;

namespace {

const char* const kOutputNames[] = {"main.c", "define.h", "K3960reg.h"};

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// The files that the engine writes for `settings`, by file name.
std::map<std::string, std::string> EngineFiles(const GenerationSettings& settings) {
  MemoryOutputFiles memory;
  RunBuildSequence(EmbeddedStore(), memory, "/out/", settings,
                   settings::SettingsFileText(settings));
  std::map<std::string, std::string> byName;
  for (const auto& [path, bytes] : memory.files) byName[path.substr(5)] = bytes;
  return byName;
}

void SetList(FormHarness& h, int id, int index) {
  h.OnForm<QComboBox>(id)->setCurrentIndex(index);
}

void Build(FormHarness& h) {
  QTest::mouseClick(h.OnForm<QPushButton>(1003), Qt::LeftButton);
}

bool Append(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::Append) && file.write(bytes) == bytes.size();
}

}  // namespace

class BuildTest : public QObject {
  Q_OBJECT

 private slots:
  void BuildsTheSameFilesAsTheCommandLine_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("pageEntries");  // "id=text"
    QTest::addColumn<int>("restState");
    QTest::addColumn<QStringList>("modeOptions");
    QTest::addColumn<int>("compiler");  // index in the compiler list
    for (const auto& [compiler, name] : {std::pair{0, "c51"}, std::pair{1, "sdcc"}}) {
      auto row = [&](const char* mode) -> QTestData& {
        return QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(mode, name)));
      };
      row("tx") << 0 << QStringList{"1046=9", "1045=0"} << 1
                << QStringList{"-m", "tx", "--length", "9", "--delay", "0", "--rest", "standby"}
                << compiler;
      row("rx") << 1 << QStringList{"1056=64", "1057=255"} << 0
                << QStringList{"-m", "rx", "--length", "64", "--delay", "255", "--rest", "sleep"}
                << compiler;
      row("tx-ack") << 2 << QStringList{"1049=12", "1051=3", "1054=7", "1046=100"} << 1
                    << QStringList{"-m",           "tx-ack", "--length", "12",
                                   "--ack-length", "3",      "--delay",  "7",
                                   "--wait",       "100",    "--rest",   "standby"}
                    << compiler;
      row("rx-ack") << 3 << QStringList{"1051=1", "1052=33", "1049=20"} << 0
                    << QStringList{"-m", "rx-ack",  "--length", "1",      "--ack-length",
                                   "33", "--delay", "20",       "--rest", "sleep"}
                    << compiler;
    }
  }
  void BuildsTheSameFilesAsTheCommandLine() {
    QFETCH(int, mode);
    QFETCH(QStringList, pageEntries);
    QFETCH(int, restState);
    QFETCH(QStringList, modeOptions);
    QFETCH(int, compiler);
    FormHarness h;
    TypeInto(h.OnForm<QLineEdit>(1012), "12");
    SetList(h, 1019, 1);  // 1M bps
    SetList(h, 1018, 3);  // -8 dBm
    TypeInto(h.OnForm<QLineEdit>(1014), "0a");
    TypeInto(h.OnForm<QLineEdit>(1015), "ff");
    TypeInto(h.OnForm<QLineEdit>(1016), "3");
    const std::vector<std::pair<int, int>> pins = {{1061, 0}, {1062, 5}, {1063, 2}, {1067, 7},
                                                   {1064, 1}, {1068, 0}, {1065, 0}, {1069, 2},
                                                   {1066, 2}, {1070, 6}, {1060, 1}, {1071, 1}};
    for (const auto& [id, index] : pins) SetList(h, id, index);
    h.Form().findChild<QComboBox*>("compiler")->setCurrentIndex(compiler);
    h.SelectTab(mode);
    for (const QString& entry : pageEntries) {
      TypeInto(h.OnPage<QLineEdit>(mode, entry.section('=', 0, 0).toInt()), entry.section('=', 1));
    }
    const int restIds[] = {1055, 1048, 1058, 1043};
    h.OnPage<QComboBox>(mode, restIds[mode])->setCurrentIndex(restState);

    QTest::mouseClick(h.OnForm<QPushButton>(1003), Qt::LeftButton);
    QCOMPARE(h.Status(), "All file creat success.");
    QVERIFY(h.Form().Page(mode)->isAncestorOf(QApplication::focusWidget()));

    QTemporaryDir cliDirectory;
    QStringList arguments = {"-o",
                             cliDirectory.path(),
                             "--channel",
                             "12",
                             "--data-rate",
                             "1M",
                             "--tx-power=-8",
                             "--rf-id",
                             "54,0A,FF,3",
                             "--scs",
                             "P0.5",
                             "--sck",
                             "P2.7",
                             "--sdio",
                             "P1.0",
                             "--gio1",
                             "P0.2",
                             "--gio2",
                             "P2.6",
                             "--wtr",
                             "GIO2",
                             "--wiring",
                             "4",
                             "--compiler",
                             compiler == 1 ? "sdcc" : "c51"};
    QProcess cli;
    cli.start(QStringLiteral(KITBUILDER_CLI), arguments + modeOptions);
    QVERIFY(cli.waitForFinished(30000));
    QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
    for (const char* name : kOutputNames) {
      const QByteArray fromForm = ReadAll(h.Directory().filePath(name));
      QVERIFY2(!fromForm.isEmpty(), name);
      QCOMPARE(fromForm, ReadAll(cliDirectory.filePath(name)));
    }
    const bool sdcc = compiler == 1;
    QCOMPARE(QFile::exists(h.Directory().filePath("Makefile")), sdcc);
    QCOMPARE(QFile::exists(cliDirectory.filePath("Makefile")), sdcc);
    if (sdcc) {
      QCOMPARE(ReadAll(h.Directory().filePath("Makefile")),
               ReadAll(cliDirectory.filePath("Makefile")));
    }
    const QByteArray header = sdcc ? "#include <8052.h>" : "#include <reg52.h>";
    QVERIFY(ReadAll(h.Directory().filePath("main.c")).contains(header));
  }

  // The clock fields give what --mcu-clock and --clocks-per-cycle give, only with SDCC, and a
  // clock out of range is refused before anything is written.
  void ClockFieldsBuildWhatTheCommandLineBuildsWithTheClock() {
    FormHarness h;
    auto* clock = h.Form().findChild<QLineEdit*>("mcuClock");
    auto* cycles = h.Form().findChild<QComboBox*>("clocksPerCycle");
    QVERIFY(!clock->isEnabled() && !cycles->isEnabled());
    h.Form().findChild<QComboBox*>("compiler")->setCurrentIndex(1);
    QVERIFY(clock->isEnabled() && cycles->isEnabled());

    TypeInto(clock, "60");
    Build(h);
    QVERIFY(h.Status().startsWith("MCU clock 60 MHz is out of range"));
    QVERIFY(!QFile::exists(h.Directory().filePath("main.c")));

    clock->clear();
    TypeInto(clock, "11.0592");
    cycles->setCurrentIndex(1);
    Build(h);
    QCOMPARE(h.Status(), "All file creat success.");
    QTemporaryDir cliDirectory;
    QProcess cli;
    cli.start(QStringLiteral(KITBUILDER_CLI),
              {"-o", cliDirectory.path(), "--compiler", "sdcc", "--mcu-clock", "11.0592",
               "--clocks-per-cycle", "6"});
    QVERIFY(cli.waitForFinished(30000));
    QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
    const QByteArray fromForm = ReadAll(h.Directory().filePath("main.c"));
    QVERIFY(fromForm.contains("FOR AN 8051 AT 11.0592 MHZ, 6 CLOCKS PER MACHINE CYCLE"));
    QCOMPARE(fromForm, ReadAll(cliDirectory.filePath("main.c")));
  }

  void DefaultsBuildTheReviewedC51Files() {
    FormHarness h;
    Build(h);
    const QDir golden(QStringLiteral(KITBUILDER_GOLDEN_DIR));
    const std::pair<const char*, QString> files[] = {
        {"main.c", golden.filePath("tx_3wire_gio1_sleep_0dbm_2m/main.c")},
        {"define.h", golden.filePath("define.h")},
        {"K3960reg.h", golden.filePath("K3960reg.h")}};
    for (const auto& [name, reviewed] : files) {
      const QByteArray expected = ReadAll(reviewed);
      QVERIFY2(!expected.isEmpty(), qPrintable(reviewed));
      QVERIFY2(ReadAll(h.Directory().filePath(name)) == expected, name);
    }
    QCOMPARE(QDir(h.Directory().path())
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{".kitbuilder", "define.h", "K3960reg.h", "main.c"}));
  }

  void RebuildOverAnEditedMainProgramKeepsTheEditsOrShowsTheConflicts_data() {
    QTest::addColumn<int>("compiler");
    QTest::addColumn<QByteArray>("editedLine");  // replaces the channel line, or "": none
    QTest::addColumn<QString>("notice");
    const QString kept = QStringLiteral("main.c: your edits were kept.");
    const QString conflict = QStringLiteral(
        "main.c: 1 conflict between your edits and the new settings, at line 157; your version "
        "is in main.c.bak");
    QTest::newRow("c51, function added") << 0 << QByteArray() << kept;
    QTest::newRow("sdcc, function added") << 1 << QByteArray() << kept;
    QTest::newRow("c51, channel line edited")
        << 0 << QByteArray("    K3960_WriteReg( PLL1_REG, 7 );") << conflict;
    QTest::newRow("sdcc, channel line edited")
        << 1 << QByteArray("    K3960_WriteReg( PLL1_REG, 7 );") << conflict;
  }
  void RebuildOverAnEditedMainProgramKeepsTheEditsOrShowsTheConflicts() {
    QFETCH(int, compiler);
    QFETCH(QByteArray, editedLine);
    QFETCH(QString, notice);
    FormHarness h;
    h.Form().findChild<QComboBox*>("compiler")->setCurrentIndex(compiler);
    const QString mainProgram = h.Directory().filePath("main.c");
    const QString backup = h.Directory().filePath("main.c.bak");
    Build(h);
    QCOMPARE(h.Status(), "All file creat success.");

    QVERIFY(Append(mainProgram, "/* the user's own code */\r\n"));
    QByteArray edited = ReadAll(mainProgram);
    if (!editedLine.isEmpty()) {
      const QByteArray channelLine = "    K3960_WriteReg( PLL1_REG, 100 );";
      QVERIFY(edited.contains(channelLine));
      edited.replace(channelLine, editedLine);
      QFile file(mainProgram);
      QVERIFY(file.open(QIODevice::WriteOnly) && file.write(edited) == edited.size());
    }
    TypeInto(h.OnForm<QLineEdit>(1012), "12");
    Build(h);
    QCOMPARE(h.Status(), QStringLiteral("All file creat success.\n") + notice);
    QCOMPARE(ReadAll(backup), edited);
    QVERIFY(ReadAll(mainProgram).endsWith("/* the user's own code */\r\n"));
    QCOMPARE(ReadAll(mainProgram).contains("<<<<<<< your edits\r\n"), !editedLine.isEmpty());
    // Both lines show in the status line at once.
    auto* status = h.OnForm<QPlainTextEdit>(1004);
    QCOMPARE(status->verticalScrollBar()->maximum(), 0);
  }

  void BuildCorrectsTheFieldsItReads() {
    FormHarness h;
    auto* channel = h.OnForm<QLineEdit>(1012);
    TypeInto(channel, "200");
    h.Form().Page(0)->findChild<QLineEdit*>("1046")->setText("0");
    h.Form().Page(0)->findChild<QLineEdit*>("1045")->setText("");
    QTest::keyClick(channel, Qt::Key_Return);

    QCOMPARE(channel->text(), "166");
    QCOMPARE(h.Form().Page(0)->findChild<QLineEdit*>("1046")->text(), "1");
    QCOMPARE(h.Form().Page(0)->findChild<QLineEdit*>("1045")->text(), "0");
    QCOMPARE(h.Status(), "All file creat success.");
    GenerationSettings expected = DefaultSettings(kModeTx);
    expected.rf.channel = 166;
    expected.rf.modeValue1 = 1;  // TX length
    expected.rf.modeValue3 = 0;  // delay
    QCOMPARE(ReadAll(h.Directory().filePath("main.c")).toStdString(),
             EngineFiles(expected)["main.c"]);
  }

  void EmptyChannelBuildsWithTheZeroItShows() {
    FormHarness h;
    auto* channel = h.OnForm<QLineEdit>(1012);
    TypeInto(channel, "");
    QTest::keyClick(channel, Qt::Key_Return);
    QCOMPARE(channel->text(), "0");
    GenerationSettings expected = DefaultSettings(kModeTx);
    expected.rf.channel = 0;
    QCOMPARE(ReadAll(h.Directory().filePath("main.c")).toStdString(),
             EngineFiles(expected)["main.c"]);
  }

  void DefaultsBuildTheDefaultSettingsOfEachMode() {
    for (int mode = 0; mode < 4; ++mode) {
      FormHarness h;
      h.SelectTab(mode);
      QTest::mouseClick(h.OnForm<QPushButton>(1003), Qt::LeftButton);
      std::map<std::string, std::string> expected = EngineFiles(DefaultSettings(mode));
      for (const char* name : kOutputNames) {
        QCOMPARE(ReadAll(h.Directory().filePath(name)).toStdString(), expected[name]);
      }
    }
  }

  void EmptyRfIdBoxRefusesTheBuild() {
    FormHarness h;
    auto* box = h.OnForm<QLineEdit>(1015);
    ClickInto(box);
    QTest::keyClick(box, Qt::Key_End);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(h.Status(), "RF ID box 3 is empty: enter one or two hex digits.");
    QVERIFY(QDir(h.Directory().path()).isEmpty());
  }

  void UnwritableOutputDirectoryIsReported() {
    FormHarness h;
    QDir(h.Directory().path()).mkdir("gone");
    QDir::setCurrent(h.Directory().filePath("gone"));
    QTest::mouseClick(h.OnForm<QWidget>(1020), Qt::LeftButton);
    QDir::setCurrent(h.Directory().path());
    QVERIFY(QDir(h.Directory().filePath("gone")).removeRecursively());
    QTest::mouseClick(h.OnForm<QPushButton>(1003), Qt::LeftButton);
    QCOMPARE(h.Status(), "Creat main.c had some error!! ERROR CODE=-4");
    QVERIFY(QDir(h.Directory().path()).isEmpty());
  }

  void WriteErrorAfterOpenShowsAMessageAndKeepsTheStatus() {
    MemoryOutputFiles memory;
    FormHarness h(&memory);
    const std::string typeHeader = h.Directory().filePath("define.h").toStdString();
    memory.faults[typeHeader] = {WriteOutcome::Status::kFailed, "No space left on device"};
    h.OnForm<QPlainTextEdit>(1004)->setPlainText("earlier text");
    QString message;
    QTimer::singleShot(50, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        message = box->text();
        box->accept();
      }
    });
    QTest::mouseClick(h.OnForm<QPushButton>(1003), Qt::LeftButton);
    QVERIFY2(message.contains(QString::fromStdString(typeHeader)), qPrintable(message));
    QVERIFY2(message.contains("No space left on device"), qPrintable(message));
    QCOMPARE(h.Status(), "earlier text");
    QVERIFY(!h.Form().Page(0)->isAncestorOf(QApplication::focusWidget()));
    QCOMPARE(memory.writeOrder.size(), size_t(2));
    QVERIFY2(!message.contains("main.c.bak"), qPrintable(message));
  }

  void WriteErrorAfterKeepingMainProgramTellsOfTheBackup() {
    MemoryOutputFiles memory;
    FormHarness h(&memory);
    memory.files[h.Directory().filePath("main.c").toStdString()] = "edited by the user";
    memory.faults[h.Directory().filePath("define.h").toStdString()] = {
        WriteOutcome::Status::kFailed, "No space left on device"};
    QString message;
    QTimer::singleShot(50, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        message = box->text();
        box->accept();
      }
    });
    Build(h);
    QVERIFY2(message.endsWith("\nPrevious main.c kept as main.c.bak."), qPrintable(message));
    QCOMPARE(memory.files[h.Directory().filePath("main.c.bak").toStdString()],
             "edited by the user");
  }
};

QTEST_MAIN(BuildTest)
#include "build_test.moc"
