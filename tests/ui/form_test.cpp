// The main form as a user meets it: defaults, the channel field, the RF ID boxes, the keys,
// the focus order and the About entry, driven with real key, mouse and focus events.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "engine/version.h"
#include "form_harness.h"

using namespace kitbuilder::ui;
using namespace kitbuilder::ui::testing;

namespace {

/// Runs `check` on the first modal or popup window that opens, from inside its event loop.
void WhenWindowOpens(std::function<void(QWidget*)> check, int attempts = 200) {
  QTimer::singleShot(10, [check, attempts] {
    QWidget* window = QApplication::activePopupWidget();
    if (!window) window = QApplication::activeModalWidget();
    if (window) {
      check(window);
    } else if (attempts > 0) {
      WhenWindowOpens(check, attempts - 1);
    }
  });
}

/// The id of the focused control, or of the control that contains it (an editable list); the
/// compiler list, which has no id, by its name.
QString FocusedId() {
  for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
    bool numeric = false;
    w->objectName().toInt(&numeric);
    if (numeric || w->objectName() == "compiler" || w->objectName() == "check") {
      return w->objectName();
    }
  }
  return QString();
}

bool HasPixel(const QImage& image, QRgb colour) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) return true;
    }
  }
  return false;
}

}  // namespace

class FormTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { harness_ = std::make_unique<FormHarness>(); }
  void cleanup() { harness_.reset(); }

  void ShowsTheDefaultsRightAfterStart() {
    FormHarness& h = *harness_;
    QCOMPARE(h.OnForm<QLineEdit>(1012)->text(), "100");
    QCOMPARE(h.OnForm<QLabel>(1017)->text(), "Frequency = 2450.0MHz");
    // The lists' texts; the values that reach the files are pinned by the build of the defaults.
    const std::vector<std::pair<int, QString>> lists = {
        {1019, "2M bps"}, {1018, "0 dBm"}, {1059, "16MHz"}, {1061, "P1"},   {1062, "1"},
        {1063, "P3"},     {1067, "0"},     {1064, "P3"},    {1068, "1"},    {1065, "P3"},
        {1069, "3"},      {1066, "P3"},    {1070, "4"},     {1060, "GIO1"}, {1071, "3-wires"}};
    for (const auto& [id, shown] : lists) {
      QCOMPARE(h.OnForm<QComboBox>(id)->currentText(), shown);
    }
    QVERIFY(!h.OnForm<QLineEdit>(1013)->isEnabled());
    QVERIFY(h.OnForm<QRadioButton>(1020)->isChecked());
    QVERIFY(!h.OnForm<QRadioButton>(1021)->isChecked());
    QCOMPARE(h.OnForm<QPlainTextEdit>(1022)->toPlainText(), h.Directory().path() + "/");
    QCOMPARE(h.Status(), QString());
    QCOMPARE(h.Form().findChild<QTabBar*>()->currentIndex(), 0);
    QCOMPARE(h.Form().CurrentPageIndex(), 0);
    for (int mode = 0; mode < 4; ++mode) QCOMPARE(h.Form().Page(mode)->isVisible(), mode == 0);
    QCOMPARE(FocusedId(), "1012");
    QVERIFY(h.OnForm<QPushButton>(1003)->isDefault());
    auto* compiler = h.Form().findChild<QComboBox*>("compiler");
    QVERIFY(compiler);
    QCOMPARE(compiler->currentText(), "C51");
    QCOMPARE(compiler->count(), 2);
    QCOMPARE(compiler->itemText(1), "SDCC");
    QVERIFY(!compiler->isEditable());
  }

  void IsAFixedSizeDialogWithItsTitle() {
    KitbuilderForm& form = harness_->Form();
    QCOMPARE(form.windowTitle(), "K3960 kitbuilder");
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(!(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    // Rendered at each size from the drawing, not one picture scaled.
    const QList<QSize> sizes = form.windowIcon().availableSizes();
    for (int side : {16, 32, 48, 64, 128, 256}) {
      QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
    }
  }

  // The channel takes three digits, an RF ID box two hex digits shown upper case; a paste that
  // is not hex leaves the box as it was.
  void FieldsTakeOnlyWhatTheyHold_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("entered");
    QTest::addColumn<bool>("pasted");
    QTest::addColumn<QString>("shown");
    QTest::newRow("channel cut to three") << 1012 << "12345" << false << "123";
    QTest::newRow("channel drops non-digits") << 1012 << "1a-2." << false << "12";
    QTest::newRow("b typed shows B") << 1014 << "b" << false << "B";
    QTest::newRow("g typed does nothing") << 1014 << "g" << false << "";
    QTest::newRow("typed cut to two") << 1014 << "abc" << false << "AB";
    QTest::newRow("bad paste refused") << 1014 << "zz" << true << "75";
    QTest::newRow("paste of source text refused") << 1014 << "0;}" << true << "75";
    QTest::newRow("good paste upper-cased") << 1014 << "a1" << true << "A1";
    QTest::newRow("long paste cut to two") << 1014 << "abc" << true << "AB";
  }
  void FieldsTakeOnlyWhatTheyHold() {
    QFETCH(int, id);
    QFETCH(QString, entered);
    QFETCH(bool, pasted);
    QFETCH(QString, shown);
    auto* field = harness_->OnForm<QLineEdit>(id);
    pasted ? PasteInto(field, entered) : TypeInto(field, entered);
    QCOMPARE(field->text(), shown);
  }

  void ReadoutFollowsEveryChangeOfTheChannel() {
    FormHarness& h = *harness_;
    auto* channel = h.OnForm<QLineEdit>(1012);
    auto* readout = h.OnForm<QLabel>(1017);
    TypeInto(channel, "1");
    QCOMPARE(readout->text(), "Frequency = 2400.5MHz");
    QTest::keyClicks(channel, "66");
    QCOMPARE(readout->text(), "Frequency = 2483.0MHz");
    TypeInto(channel, "999");
    QCOMPARE(readout->text(), "Frequency = 2899.5MHz");
    QVERIFY(channel->hasFocus());
  }

  // The rule itself is the field rules'; here, that leaving the field runs it, with the readout
  // and the status line following.
  void ChannelRuleRunsWhenTheFieldIsLeft_data() {
    QTest::addColumn<QString>("entered");
    QTest::addColumn<bool>("pasted");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("readout");
    QTest::addColumn<QString>("status");
    const QString earlier = "earlier text";
    QTest::newRow("too large") << "999" << false << "166"
                               << "Frequency = 2483.0MHz"
                               << "The PLL1 value too large. Now fixed it to 166.";
    QTest::newRow("letters pasted") << "ab" << true << "0"
                                    << "Frequency = 2400.0MHz" << earlier;
  }
  void ChannelRuleRunsWhenTheFieldIsLeft() {
    QFETCH(QString, entered);
    QFETCH(bool, pasted);
    QFETCH(QString, shown);
    QFETCH(QString, readout);
    QFETCH(QString, status);
    FormHarness& h = *harness_;
    h.OnForm<QPlainTextEdit>(1004)->setPlainText("earlier text");
    auto* channel = h.OnForm<QLineEdit>(1012);
    pasted ? PasteInto(channel, entered) : TypeInto(channel, entered);
    ClickInto(h.OnForm<QLineEdit>(1014));
    QCOMPARE(channel->text(), shown);
    QCOMPARE(h.OnForm<QLabel>(1017)->text(), readout);
    QCOMPARE(h.Status(), status);
  }

  void ChannelRuleRunsEvenWhenTheTextDidNotChangeWhileFocused() {
    FormHarness& h = *harness_;
    auto* channel = h.OnForm<QLineEdit>(1012);
    ClickInto(h.OnForm<QLineEdit>(1014));
    channel->setText("200");
    ClickInto(channel);
    QTest::keyClick(channel, Qt::Key_Tab);
    QCOMPARE(channel->text(), "166");
    QCOMPARE(h.Status(), "The PLL1 value too large. Now fixed it to 166.");
  }

  void RfIdBoxesRefuseDroppedText() {
    auto* box = harness_->OnForm<QLineEdit>(1016);
    for (const QString& text : {QStringLiteral("x\");"), QStringLiteral("fg")}) {
      QMimeData mime;
      mime.setText(text);
      QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(box, &drop);
      QCOMPARE(box->text(), "2A");
    }
  }

  void FocusMovesInTemplateOrder() {
    const QStringList expected = {"1019", "1018", "1014", "1015", "1016", "1003",     "1059",
                                  "1060", "1061", "1062", "1063", "1064", "1065",     "1066",
                                  "1067", "1068", "1069", "1070", "1071", "compiler", "check",
                                  "1055", "1045", "1046", "1012"};
    QStringList visited;
    for (int i = 0; i < expected.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      visited << FocusedId();
    }
    QCOMPARE(visited, expected);
  }

  void EscapeEndsTheFormAtOnce() {
    FormHarness& h = *harness_;
    ClickInto(h.OnForm<QLineEdit>(1014));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!h.Form().isVisible());
    QCOMPARE(h.Form().result(), int(QDialog::Rejected));
    QVERIFY(!QFile::exists(h.Directory().filePath("main.c")));
  }

  void CloseBoxEndsTheForm() {
    QVERIFY(harness_->Form().close());
    QVERIFY(!harness_->Form().isVisible());
  }

  void SpiModeBoxAlwaysKeepsAWiring() {
    FormHarness& h = *harness_;
    auto* spi = h.OnForm<QComboBox>(1071);
    TypeInto(spi->lineEdit(), "junk");
    QTest::keyClick(spi->lineEdit(), Qt::Key_Tab);
    QCOMPARE(spi->currentIndex(), 0);
    QCOMPARE(spi->currentText(), "3-wires");
    TypeInto(spi->lineEdit(), "4-WIRES");
    QTest::keyClick(spi->lineEdit(), Qt::Key_Tab);
    QCOMPARE(spi->currentIndex(), 1);
    QCOMPARE(spi->currentText(), "4-wires");
    QCOMPARE(spi->count(), 2);
    TypeInto(spi->lineEdit(), "5-wires");
    QTest::keyClick(spi->lineEdit(), Qt::Key_Return);
    QCOMPARE(h.Status(), "All file creat success.");
    QCOMPARE(spi->currentText(), "4-wires");
    QCOMPARE(h.Form().GatherSettings().pins.spiMode, 1);
  }

  void NoteIsBlueAndOtherLabelsAreNot() {
    FormHarness& h = *harness_;
    const QRgb blue = qRgb(0, 0, 255);
    QVERIFY(HasPixel(h.OnForm<QLabel>(1072)->grab().toImage(), blue));
    QVERIFY(!HasPixel(h.OnForm<QLabel>(1017)->grab().toImage(), blue));
    const QLabel* note = h.OnForm<QLabel>(1072);
    QVERIFY(note->heightForWidth(note->width()) <= note->height());
  }

  // The settings entries are the form's own actions, which the settings file tests drive.
  void FormMenuOffersItsEntriesAndTheAboutBox() {
    FormHarness& h = *harness_;
    QStringList entries;
    QString title;
    QStringList texts;
    bool okIsDefault = false;
    bool formsOwnActions = false;
    // Nothing may fail in here before the menu closes, or the test would wait on the menu.
    WhenWindowOpens([&](QWidget* popup) {
      auto* menu = qobject_cast<QMenu*>(popup);
      if (!menu) return;
      for (QAction* action : menu->actions()) {
        entries << action->text() + "|" + action->shortcut().toString();
      }
      formsOwnActions = menu->actions().mid(0, 2) == h.Form().actions().mid(0, 2);
      WhenWindowOpens([&](QWidget* about) {
        title = about->windowTitle();
        for (const QLabel* label : about->findChildren<QLabel*>()) texts << label->text();
        auto* ok = about->findChild<QPushButton*>("1");
        okIsDefault = ok && ok->isDefault() && ok->text() == "OK";
        if (ok) QTest::mouseClick(ok, Qt::LeftButton);
      });
      QTest::keyClick(menu, Qt::Key_A);
    });
    // A right-click on a label of the form is a right-click on the form's background.
    QLabel* label = nullptr;
    for (QLabel* candidate : h.Form().findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
      if (candidate->text() == "RF ID") label = candidate;
    }
    QVERIFY(label);
    // Through the window, so that the platform turns the right-click into a context menu request.
    QTest::mouseClick(h.Form().windowHandle(), Qt::RightButton, Qt::NoModifier,
                      label->mapTo(&h.Form(), QPoint(3, 3)));
    QTRY_VERIFY(!title.isEmpty());
    QCOMPARE(entries,
             (QStringList{"Open settings...|Ctrl+O", "Save settings...|Ctrl+S", "|", "Check...|F5",
                          "Check link with...|Shift+F5", "Check capture...|", "|",
                          QString::fromUtf8("\xe9\x97\x9c\xe6\x96\xbc SampleDesk(&A)...|")}));
    QCOMPARE(title, "About Kitbuilder");
    QVERIFY(texts.contains(QString("Kitbuilder Version ") + kitbuilder::kVersion));
    QVERIFY(formsOwnActions);
    QVERIFY(okIsDefault);
    QVERIFY(h.Form().isVisible());
  }

 private:
  std::unique_ptr<FormHarness> harness_;
};

QTEST_MAIN(FormTest)
#include "form_test.moc"
