// The question which channel of a capture carries which line: what it proposes from the
// channels' names and from the last capture's choice, what it refuses, and what it hands on.

#include "ui/channel_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace kitbuilder;
using namespace kitbuilder::ui;

namespace {

const simulator::LineSet kThreeWire("01111");  // SCS, SCK, SDIO, WTR on GIO1
const simulator::LineSet kFourWire("11111");   // and SDO on GIO2

std::vector<std::string> Names(const QString& list) {
  std::vector<std::string> names;
  for (const QString& name : list.split(QLatin1Char(' '))) names.push_back(name.toStdString());
  return names;
}

}  // namespace

class ChannelDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    settings_ = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_->path());
  }

  void ProposesTheNamedOrRememberedChannels() {
    const struct {
      const char* what;
      const char* channels;
      simulator::LineSet used;
      const char* remembered;  ///< the last capture's accepted choice, if any
      const char* proposed;
      const char* problem;
    } cases[] = {
        {"names in any case", "scs Sck SDIO gio1 D5", kThreeWire, "",
         "SCS=scs,SCK=Sck,SDIO=SDIO,GIO1=gio1", ""},
        {"the exact spelling among alike names", "SCS SCK sck SDIO GIO1 GIO2", kFourWire, "",
         "SCS=SCS,SCK=SCK,SDIO=SDIO,GIO1=GIO1,GIO2=GIO2", ""},
        {"two alike names, none exact", "SCS sck Sck SDIO GIO1", kThreeWire, "",
         "SCS=SCS,SDIO=SDIO,GIO1=GIO1", "Choose the channel of SCK, which the board uses."},
        {"numbered channels", "D0 D1 D2 D3 D4", kFourWire, "", "",
         "Choose the channel of SCS, SCK, SDIO, GIO1 and GIO2, which the board uses."},
        {"the last capture's probes", "D0 D1 D2 D3 D4 D5", kThreeWire,
         "SCS=D4,SCK=D0,SDIO=D1,GIO1=D5", "SCS=D4,SCK=D0,SDIO=D1,GIO1=D5", ""},
        {"the last capture's probes before the names", "SCS SCK SDIO GIO1 D7", kThreeWire,
         "GIO1=D7", "SCS=SCS,SCK=SCK,SDIO=SDIO,GIO1=D7", ""},
        {"a remembered channel this capture lacks", "SCS SCK SDIO GIO1", kThreeWire,
         "SCS=D0,GIO1=D3", "SCS=SCS,SCK=SCK,SDIO=SDIO,GIO1=GIO1", ""},
        {"a channel for two lines", "D0 D1 D2 D3", kThreeWire, "SCS=D0,SCK=D1,SDIO=D1,GIO1=D3",
         "SCS=D0,SCK=D1,SDIO=D1,GIO1=D3",
         "D1 is chosen for both SCK and SDIO: a channel carries one line."},
    };
    for (const auto& c : cases) {
      {
        QSettings settings(QStringLiteral("kitbuilder"), QStringLiteral("kitbuilder"));
        settings.clear();
        for (const QString& pair : QString(c.remembered).split(',', Qt::SkipEmptyParts)) {
          settings.setValue("captureChannels/" + pair.section('=', 0, 0), pair.section('=', 1));
        }
      }
      const ChannelDialog dialog("board.sr", Names(c.channels), c.used);
      QVERIFY2(dialog.Mapping() == c.proposed, qPrintable(c.what + (": " + dialog.Mapping())));
      QVERIFY2(dialog.Problem() == c.problem, qPrintable(c.what + (": " + dialog.Problem())));
      auto* check = dialog.findChild<QPushButton*>();
      QVERIFY(check);
      QCOMPARE(check->isEnabled(), dialog.Problem().isEmpty());
    }
  }

  // The user's choice goes on, and is what the next capture of the board is offered; lines the
  // wiring leaves unused are said to be so and need no channel.
  void AcceptedChoiceIsRemembered() {
    const std::vector<std::string> channels = Names("D0 D1 D2 D3 D4");
    ChannelDialog first("board.sr", channels, kThreeWire);
    const char* chosen[] = {"D3", "D2", "D1", "D0"};
    for (int line = 0; line < 4; ++line) {
      first.findChild<QComboBox*>(simulator::LineName(static_cast<simulator::ChipLine>(line)))
          ->setCurrentText(chosen[line]);
    }
    QVERIFY(first.Problem().isEmpty());
    QVERIFY(first.findChild<QLabel*>("problem")->isHidden());
    bool unusedSaid = false;
    for (QLabel* label : first.findChildren<QLabel*>()) {
      unusedSaid |= label->text() == "GIO2 (not used by this wiring)";
    }
    QVERIFY(unusedSaid);
    first.accept();
    QCOMPARE(first.result(), int(QDialog::Accepted));
    QCOMPARE(first.Mapping(), QString("SCS=D3,SCK=D2,SDIO=D1,GIO1=D0"));

    const ChannelDialog next("again.sr", channels, kThreeWire);
    QCOMPARE(next.Mapping(), first.Mapping());

    // A choice that cannot be taken is not accepted, nor remembered.
    ChannelDialog wrong("board.sr", channels, kThreeWire);
    wrong.findChild<QComboBox*>("SCS")->setCurrentIndex(0);
    QVERIFY(!wrong.Problem().isEmpty());
    QVERIFY(wrong.findChild<QLabel*>("problem")->isVisibleTo(&wrong));
    wrong.accept();
    QCOMPARE(wrong.result(), int(QDialog::Rejected));
    QCOMPARE(ChannelDialog("board.sr", channels, kThreeWire).Mapping(), first.Mapping());
  }

 private:
  std::unique_ptr<QTemporaryDir> settings_;
};

QTEST_MAIN(ChannelDialogTest)
#include "channel_dialog_test.moc"
