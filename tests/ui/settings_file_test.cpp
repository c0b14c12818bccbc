// Settings files from the window: Ctrl+O and Ctrl+S from any control, refused files that change
// nothing, the refusals a save shares with a build, and the window's files, with every control
// changed or a file opened, against those of kitbuilder-cli given the same options or file.

#include "settings/settings_file.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QTabBar>
#include <QtTest>
#include <map>
#include <variant>

#include "form_harness.h"
#include "tests/support/memory_output_files.h"

using namespace kitbuilder;
using namespace kitbuilder::ui;
using namespace kitbuilder::ui::testing;

namespace {

/// Every mode page field by mode, each with a value other than its default, the rest list, and
/// the options that give kitbuilder-cli the same page with the rest list on Standby.
struct PageEntries {
  std::vector<std::pair<int, QString>> fields;
  int restList;
  QStringList options;
};

const PageEntries kPageEntries[] = {
    {{{1046, "33"}, {1045, "0"}}, 1055, {"-m", "tx", "--length", "33", "--delay", "0"}},
    {{{1056, "64"}, {1057, "255"}}, 1048, {"-m", "rx", "--length", "64", "--delay", "255"}},
    {{{1049, "12"}, {1051, "3"}, {1054, "7"}, {1046, "100"}},
     1058,
     {"-m", "tx-ack", "--length", "12", "--ack-length", "3", "--delay", "7", "--wait", "100"}},
    {{{1051, "1"}, {1052, "33"}, {1049, "20"}},
     1043,
     {"-m", "rx-ack", "--length", "1", "--ack-length", "33", "--delay", "20"}},
};

/// The options that give kitbuilder-cli what SetEveryControl sets on the form itself.
const QStringList kFormOptions = {
    "--channel",  "12",       "--data-rate", "1M",     "--tx-power=-8", "--rf-id",
    "54,0A,FF,3", "--scs",    "P0.5",        "--sck",  "P2.7",          "--sdio",
    "P1.0",       "--gio1",   "P0.2",        "--gio2", "P2.6",          "--wtr",
    "GIO2",       "--wiring", "4",           "--rest", "standby"};

QComboBox* Compiler(FormHarness& h) {
  return h.Form().findChild<QComboBox*>("compiler");
}

/// Sets every control of the form to a value other than its default (the crystal has no other),
/// the compiler to `compiler` (1: SDCC, with a clock), selects the tab of `mode` and sets every
/// control of its page.
void SetEveryControl(FormHarness& h, int mode, int compiler) {
  TypeInto(h.OnForm<QLineEdit>(1012), "12");
  h.OnForm<QComboBox>(1019)->setCurrentIndex(1);
  h.OnForm<QComboBox>(1018)->setCurrentIndex(3);
  TypeInto(h.OnForm<QLineEdit>(1014), "0a");
  TypeInto(h.OnForm<QLineEdit>(1015), "ff");
  TypeInto(h.OnForm<QLineEdit>(1016), "3");
  const std::vector<std::pair<int, int>> lists = {{1061, 0}, {1062, 5}, {1063, 2}, {1067, 7},
                                                  {1064, 1}, {1068, 0}, {1065, 0}, {1069, 2},
                                                  {1066, 2}, {1070, 6}, {1060, 1}, {1071, 1}};
  for (const auto& [id, index] : lists) h.OnForm<QComboBox>(id)->setCurrentIndex(index);
  Compiler(h)->setCurrentIndex(compiler);
  if (compiler == 1) {
    TypeInto(h.Form().findChild<QLineEdit*>("mcuClock"), "11.0592");
    h.Form().findChild<QComboBox*>("clocksPerCycle")->setCurrentIndex(1);
  }
  h.SelectTab(mode);
  for (const auto& [id, text] : kPageEntries[mode].fields) {
    TypeInto(h.OnPage<QLineEdit>(mode, id), text);
  }
  h.OnPage<QComboBox>(mode, kPageEntries[mode].restList)->setCurrentIndex(1);
}

/// What every control shows, by "form/<name>" and "page<mode>/<id>", with the selected tab and
/// the frequency readout.
using Shown = std::map<QString, QString>;

Shown WhatIsShown(FormHarness& h) {
  Shown shown;
  auto take = [&shown](QWidget* parent, const QString& prefix) {
    for (auto* edit : parent->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly)) {
      shown[prefix + edit->objectName()] = edit->text();
    }
    for (auto* list : parent->findChildren<QComboBox*>(Qt::FindDirectChildrenOnly)) {
      shown[prefix + list->objectName()] = list->currentText();
    }
  };
  take(&h.Form(), "form/");
  for (int mode = 0; mode < 4; ++mode) {
    take(h.Form().Page(mode), QStringLiteral("page%1/").arg(mode));
  }
  shown["tab"] = QString::number(h.Form().findChild<QTabBar*>()->currentIndex());
  shown["readout"] = h.OnForm<QLabel>(1017)->text();
  return shown;
}

/// "key=text" lines, so that a mismatch shows where it is.
QStringList Lines(const Shown& shown) {
  QStringList lines;
  for (const auto& [key, text] : shown) lines << key + "=" + text;
  return lines;
}

/// The entries of `shown` that belong to the page of `mode`.
Shown OfPage(const Shown& shown, int mode) {
  Shown page;
  const QString prefix = QStringLiteral("page%1/").arg(mode);
  for (const auto& [key, text] : shown) {
    if (key.startsWith(prefix)) page[key] = text;
  }
  return page;
}

/// Runs kitbuilder-cli; empty when it succeeded, else what it wrote to standard error.
QString RunCli(const QStringList& arguments) {
  QProcess cli;
  cli.start(QStringLiteral(KITBUILDER_CLI), arguments);
  if (!cli.waitForFinished(30000)) return QStringLiteral("kitbuilder-cli did not finish");
  if (cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == 0) return QString();
  return QString::fromLocal8Bit(cli.readAllStandardError()) + " (exit code " +
         QString::number(cli.exitCode()) + ")";
}

/// The generated files of the two directories are the same, the Makefile included; both have a
/// Makefile exactly when `sdcc`.
void CompareBuilds(const QDir& window, const QDir& cli, bool sdcc) {
  for (const char* name : {"main.c", "define.h", "K3960reg.h"}) {
    const QByteArray fromWindow = FileBytes(window.filePath(name));
    QVERIFY2(!fromWindow.isEmpty(), name);
    QVERIFY2(fromWindow == FileBytes(cli.filePath(name)), name);
  }
  QCOMPARE(window.exists("Makefile"), sdcc);
  QCOMPARE(cli.exists("Makefile"), sdcc);
  if (sdcc) QCOMPARE(FileBytes(window.filePath("Makefile")), FileBytes(cli.filePath("Makefile")));
}

}  // namespace

class SettingsFileTest : public QObject {
  Q_OBJECT

 private slots:
  // With every control changed, the window builds what kitbuilder-cli builds from the same
  // options and from the file the window saved, and the file opened in another form shows every
  // control as it was saved; a hand-written file opened in the window builds what kitbuilder-cli
  // builds from it, the keys it leaves out taking their defaults in both.
  void BuildsWhatTheCommandLineBuilds_data() {
    QTest::addColumn<int>("mode");  // -1: the form opens `file`
    QTest::addColumn<int>("compiler");
    QTest::addColumn<QByteArray>("file");
    for (int mode = 0; mode < 4; ++mode) {
      for (int compiler = 0; compiler < 2; ++compiler) {
        QTest::newRow(qPrintable(kPageEntries[mode].options[1] + (compiler ? ", sdcc" : ", c51")))
            << mode << compiler << QByteArray();
      }
    }
    QTest::newRow("only a few keys") << -1 << 0 << QByteArray("mode = \"rx-ack\"\nchannel = 5\n");
    QTest::newRow("page values only") << -1 << 0 << QByteArray("mode = \"tx-ack\"\nwait = 7\n");
    QTest::newRow("integers in other notations")
        << -1 << 0 << QByteArray("channel = 0x10\ndelay = 1_0\nlength = +5\n");
    QTest::newRow("sdcc, mixed case")
        << -1 << 1
        << QByteArray(
               "compiler = \"SDCC\"\nmode = \"TX\"\nrest = \"Standby\"\nrf-id = \"54,a,B,0c\"\n");
  }
  void BuildsWhatTheCommandLineBuilds() {
    QFETCH(int, mode);
    QFETCH(int, compiler);
    QFETCH(QByteArray, file);
    QTemporaryDir elsewhere;
    const QString path = elsewhere.filePath("board.toml");
    Shown saved;
    {
      FormHarness h;
      if (mode < 0) {
        SetEveryControl(h, 3, 1 - compiler);
        QVERIFY(WriteBytes(path, file));
        QVERIFY(h.OpenSettings(path));
        QCOMPARE(h.Status(), "Settings opened from " + path + ".");
      } else {
        SetEveryControl(h, mode, compiler);
        saved = WhatIsShown(h);
        QVERIFY(h.SaveSettings(path));
        QCOMPARE(h.Status(), "Settings saved to " + path + ".");
        QCOMPARE(Lines(WhatIsShown(h)), Lines(saved));
      }
      h.Build();
      QCOMPARE(h.Status(), "All file creat success.");
      QVERIFY(
          h.Form().Page(h.Form().CurrentPageIndex())->isAncestorOf(QApplication::focusWidget()));

      const QString fromFile = elsewhere.filePath("from-file");
      QVERIFY(QDir().mkpath(fromFile));
      QCOMPARE(RunCli({"--settings", path, "-o", fromFile}), QString());
      CompareBuilds(QDir(h.Directory().path()), QDir(fromFile), compiler == 1);
      if (mode < 0) return;
      const QString fromOptions = elsewhere.filePath("from-options");
      QVERIFY(QDir().mkpath(fromOptions));
      const QStringList compilerOptions =
          compiler == 1 ? QStringList{"--compiler",         "sdcc", "--mcu-clock", "11.0592",
                                      "--clocks-per-cycle", "6"}
                        : QStringList{"--compiler", "c51"};
      QCOMPARE(RunCli(QStringList{"-o", fromOptions} + kFormOptions + kPageEntries[mode].options +
                      compilerOptions),
               QString());
      CompareBuilds(QDir(h.Directory().path()), QDir(fromOptions), compiler == 1);
    }

    FormHarness h;
    // Another tab, the other compiler and a changed field on another page, which must stay.
    const int other = (mode + 1) % 4;
    Compiler(h)->setCurrentIndex(1 - compiler);
    h.SelectTab(other);
    TypeInto(h.OnPage<QLineEdit>(other, kPageEntries[other].fields[0].first), "5");
    const Shown before = WhatIsShown(h);
    QVERIFY(h.OpenSettings(path));
    Shown expected = saved;
    for (int page = 0; page < 4; ++page) {
      if (page == mode) continue;
      for (const auto& [key, text] : OfPage(before, page)) expected[key] = text;
    }
    QCOMPARE(Lines(WhatIsShown(h)), Lines(expected));
    QCOMPARE(h.Form().CurrentPageIndex(), mode);
    for (int page = 0; page < 4; ++page) QCOMPARE(h.Form().Page(page)->isVisible(), page == mode);
  }

  void RefusedFileChangesNothing_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("named");
    // The reading rules are the settings reader's; the window shows its refusal and keeps
    // every control as it was, also those of keys read before the refused one.
    QTest::newRow("bad value") << QByteArray("mode = \"rx\"\ndata-rate = \"1M\"\nchannel = 200\n")
                               << "channel";
    QTest::newRow("not TOML") << QByteArray("channel = 12\nrf-id = \"54,75\n") << ":2:";
  }
  void RefusedFileChangesNothing() {
    QFETCH(QByteArray, file);
    QFETCH(QString, named);
    FormHarness h;
    SetEveryControl(h, 2, 1);
    const QString path = h.Directory().filePath("refused.toml");
    QVERIFY(WriteBytes(path, file));
    const Shown before = WhatIsShown(h);
    QVERIFY(h.OpenSettings(path));
    QCOMPARE(Lines(WhatIsShown(h)), Lines(before));
    QCOMPARE(h.Form().CurrentPageIndex(), 2);

    const auto read = settings::ReadSettingsFile(path.toStdString());
    QVERIFY(std::holds_alternative<settings::Refusal>(read));
    QCOMPARE(h.Status(), QString::fromStdString(std::get<settings::Refusal>(read).message));
    QVERIFY2(h.Status().startsWith(path + ":"), qPrintable(h.Status()));
    QVERIFY2(h.Status().contains(named), qPrintable(h.Status()));
  }

  void EmptyRfIdBoxRefusesTheSaveAsItRefusesTheBuild() {
    FormHarness h;
    auto* box = h.OnForm<QLineEdit>(1016);
    TypeInto(box, "");
    h.Build();
    const QString buildRefusal = h.Status();
    QCOMPARE(buildRefusal, "RF ID box 4 is empty: enter one or two hex digits.");
    h.OnForm<QPlainTextEdit>(1004)->clear();

    ClickInto(box);
    QVERIFY(!h.SaveSettings(h.Directory().filePath("never.toml")));
    QCOMPARE(h.Status(), buildRefusal);
    h.Form().SaveSettingsFile(h.Directory().filePath("never.toml"));
    QCOMPARE(h.Status(), buildRefusal);
    QVERIFY(QDir(h.Directory().path()).isEmpty());
  }

  void SaveThatCannotWriteSaysSoAndWhy() {
    kitbuilder::testing::MemoryOutputFiles memory;
    FormHarness h(&memory);
    const QString path = h.Directory().filePath("full.toml");
    memory.faults[path.toStdString()] = {WriteOutcome::Status::kNotOpened,
                                         "No space left on device"};
    QVERIFY(h.SaveSettings(path));
    QCOMPARE(h.Status(), "Settings file " + path +
                             " cannot be written: No space left on device; choose another file.");
  }

  void ShortcutsReachTheActionsFromAnyControl_data() {
    QTest::addColumn<QString>("control");  // "<mode>/<id>" on a page, "<id>" on the form
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("acceptMode");
    const int open = QFileDialog::AcceptOpen;
    const int save = QFileDialog::AcceptSave;
    QTest::newRow("Ctrl+O in the channel field") << "1012" << int(Qt::Key_O) << open;
    QTest::newRow("Ctrl+S in an RF ID box") << "1015" << int(Qt::Key_S) << save;
    QTest::newRow("Ctrl+O in the SPI mode box") << "1071" << int(Qt::Key_O) << open;
    QTest::newRow("Ctrl+S on the compiler list") << "compiler" << int(Qt::Key_S) << save;
    QTest::newRow("Ctrl+S in a page field") << "2/1054" << int(Qt::Key_S) << save;
    QTest::newRow("Ctrl+O on a page's list") << "3/1043" << int(Qt::Key_O) << open;
  }
  void ShortcutsReachTheActionsFromAnyControl() {
    QFETCH(QString, control);
    QFETCH(int, key);
    QFETCH(int, acceptMode);
    FormHarness h;
    QWidget* target = nullptr;
    if (control.contains('/')) {
      const int mode = control.section('/', 0, 0).toInt();
      h.SelectTab(mode);
      target = h.OnPage<QWidget>(mode, control.section('/', 1).toInt());
    } else {
      target = h.Form().findChild<QWidget*>(control, Qt::FindDirectChildrenOnly);
    }
    QVERIFY(target);
    target->setFocus(Qt::TabFocusReason);
    QVERIFY(target->isAncestorOf(QApplication::focusWidget()) ||
            target == QApplication::focusWidget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::ControlModifier);

    QFileDialog* chooser = h.SettingsChooser();
    QVERIFY(chooser);
    QCOMPARE(int(chooser->acceptMode()), acceptMode);
    const bool opening = acceptMode == QFileDialog::AcceptOpen;
    QCOMPARE(chooser->windowTitle(), opening ? "Open settings" : "Save settings");
    QCOMPARE(chooser->fileMode(), opening ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    QVERIFY(chooser->isModal());
    // A second request while it is open opens no second chooser.
    for (QAction* action : h.Form().actions()) action->trigger();
    int shown = 0;
    for (QFileDialog* dialog : h.Form().findChildren<QFileDialog*>()) shown += dialog->isVisible();
    QCOMPARE(shown, 1);
    chooser->reject();
    QVERIFY(!h.SettingsChooser());
    QCOMPARE(h.Status(), QString());
    QVERIFY(QDir(h.Directory().path()).isEmpty());
  }

  void SavedNameGetsTheExtensionAndIsOfferedAgain() {
    FormHarness h;
    QVERIFY(h.SaveSettings(h.Directory().filePath("board")));
    const QString saved = h.Directory().filePath("board.toml");
    QCOMPARE(h.Status(), "Settings saved to " + saved + ".");
    QVERIFY(QFile::exists(saved));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::ControlModifier);
    QFileDialog* chooser = h.SettingsChooser();
    QVERIFY(chooser);
    QCOMPARE(chooser->selectedFiles(), QStringList{saved});
    chooser->reject();
  }
};

QTEST_MAIN(SettingsFileTest)
#include "settings_file_test.moc"
