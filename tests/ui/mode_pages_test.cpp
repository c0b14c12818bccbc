// The four mode pages: defaults, the range rules of their fields, switching between them, their
// keys, their white background and their diagrams with the fields standing on the boxes.

#include <QApplication>
#include <QComboBox>
#include <QTabBar>
#include <QtTest>

#include "form_harness.h"
#include "ui/mode_tab_control.h"
#include "ui/number_field.h"

using namespace kitbuilder::ui;
using namespace kitbuilder::ui::testing;

namespace {

enum Mode { kTx, kRx, kTxAck, kRxAck };

/// Every number field of every page with its default and rule.
struct FieldCase {
  int mode;
  int id;
  const char* defaultText;
  bool isLength;  ///< otherwise a delay or wait, at most 255
  const char* boxText;
};

const FieldCase kFields[] = {
    {kTx, 1045, "10", false, "Delay (ms)"},        {kTx, 1046, "8", true, "TX length (byte)"},
    {kRx, 1056, "8", true, "RX length (byte)"},    {kRx, 1057, "8", false, "Delay (ms)"},
    {kTxAck, 1049, "9", true, "TX length (byte)"}, {kTxAck, 1051, "8", true, "ACK length (byte)"},
    {kTxAck, 1054, "10", false, "Delay (ms)"},     {kTxAck, 1046, "40", false, "Wait (100us)"},
    {kRxAck, 1051, "9", true, "RX length (byte)"}, {kRxAck, 1052, "8", true, "ACK length (byte)"},
    {kRxAck, 1049, "8", false, "Delay (ms)"},
};

/// The rest-state list of each page, by mode.
const int kRestLists[] = {1055, 1048, 1058, 1043};

QString RowName(const FieldCase& field, const char* what) {
  return QStringLiteral("mode %1 field %2 %3").arg(field.mode).arg(field.id).arg(what);
}

QRectF InDiagram(const QWidget* control, const ModePage* page) {
  const QRectF pixels(control->geometry());
  return QRectF(pixels.topLeft() / page->Scale(), pixels.size() / page->Scale());
}

}  // namespace

class ModePagesTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { harness_ = std::make_unique<FormHarness>(); }
  void cleanup() { harness_.reset(); }

  void FieldsApplyTheirRuleWhenLeft_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("entered");
    QTest::addColumn<bool>("pasted");
    QTest::addColumn<QString>("shown");
    for (const FieldCase& f : kFields) {
      auto row = [&](const char* what, const char* entered, bool pasted, const char* shown) {
        QTest::newRow(qPrintable(RowName(f, what)))
            << f.mode << f.id << QString(entered) << pasted << QString(shown);
      };
      // The rules themselves are the field rules'; each field must be wired to its own.
      row("in range keeps leading zeros", "012", false, "012");
      row("typed non-digits dropped", "-1x2", false, "12");
      if (f.isLength) {
        row("65", "65", false, "64");
        // The old RX with ACK page let a negative length through; every page now makes it 1.
        row("negative", "-3", true, "1");
      } else {
        row("300", "300", false, "255");
        row("empty shows 0", "", false, "0");
      }
    }
  }
  void FieldsApplyTheirRuleWhenLeft() {
    QFETCH(int, mode);
    QFETCH(int, id);
    QFETCH(QString, entered);
    QFETCH(bool, pasted);
    QFETCH(QString, shown);
    FormHarness& h = *harness_;
    h.SelectTab(mode);
    auto* field = h.OnPage<NumberField>(mode, id);
    pasted ? PasteInto(field, entered) : TypeInto(field, entered);
    ClickInto(h.OnForm<QLineEdit>(1014));
    QCOMPARE(field->text(), shown);
    QCOMPARE(h.Status(), QString());
  }

  void SwitchingTabsKeepsValuesMovesTheFocusAndAppliesTheRuleOfTheFieldLeft() {
    FormHarness& h = *harness_;
    h.SelectTab(kTxAck);
    auto* wait = h.OnPage<NumberField>(kTxAck, 1046);
    TypeInto(wait, "999");
    auto* rxLength = h.OnPage<NumberField>(kRx, 1056);
    h.SelectTab(kRx);
    QCOMPARE(wait->text(), "255");
    TypeInto(rxLength, "20");
    for (int mode : {kTx, kTxAck, kRxAck, kRx}) {
      h.SelectTab(mode);
      QCOMPARE(h.Form().CurrentPageIndex(), mode);
      for (int other = 0; other < 4; ++other) {
        QCOMPARE(h.Form().Page(other)->isVisible(), other == mode);
      }
      QVERIFY(h.Form().Page(mode)->isAncestorOf(QApplication::focusWidget()));
    }
    QCOMPARE(rxLength->text(), "20");
  }

  void EnterAndEscapeOnAPageDoNothing() {
    FormHarness& h = *harness_;
    const std::pair<int, int> controls[] = {{kTx, 1046}, {kRxAck, 1049}, {kTx, 1055}};
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      for (const auto& [mode, id] : controls) {
        h.SelectTab(mode);
        QWidget* control = h.Form().Page(mode)->findChild<QWidget*>(QString::number(id));
        // A click on a list would open it; Tab-like focus leaves it closed, as when tabbing in.
        control->setFocus(Qt::TabFocusReason);
        QVERIFY(control->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QVERIFY2(h.Form().isVisible(), qPrintable(QString::number(id)));
        QVERIFY(h.Form().Page(mode)->isVisible());
        QCOMPARE(h.Status(), QString());
      }
    }
    QVERIFY(!QFile::exists(h.Directory().filePath("main.c")));
  }

  // Each page fills the tab less its margins in white, and its diagram fits it without overlaps
  // with one caption per field.
  void PagesFillTheTabInWhiteAndTheirDiagramsFitThem() {
    FormHarness& h = *harness_;
    auto* tab = h.OnForm<ModeTabControl>(1027);
    for (int mode = 0; mode < 4; ++mode) {
      h.SelectTab(mode);
      ModePage* page = h.Form().Page(mode);
      QCOMPARE(page->parentWidget(), tab);
      QCOMPARE(page->geometry(), tab->rect().adjusted(8, 30, -8, -8));
      const QImage image = page->grab().toImage();
      for (const QPoint corner : {QPoint(0, 0), QPoint(image.width() - 1, image.height() - 1),
                                  QPoint(0, image.height() - 1)}) {
        QCOMPARE(QColor(image.pixel(corner)), QColor(Qt::white));
      }
      const FlowDiagram& diagram = page->Diagram();
      const QRectF area(QPointF(), QSizeF(page->size()) / page->Scale());
      QVERIFY2(area.contains(DiagramBounds(diagram)), qPrintable(QString::number(mode)));
      std::vector<QRectF> shapes;
      for (const DiagramBox& box : diagram.boxes) shapes.push_back(box.frame);
      for (const DiagramDecision& decision : diagram.decisions) shapes.push_back(decision.Bounds());
      for (size_t i = 0; i < shapes.size(); ++i) {
        for (size_t j = i + 1; j < shapes.size(); ++j) {
          QVERIFY2(!shapes[i].intersects(shapes[j]),
                   qPrintable(QStringLiteral("mode %1 shapes %2 and %3").arg(mode).arg(i).arg(j)));
        }
      }
      QCOMPARE(diagram.captions.size(), size_t(page->findChildren<NumberField*>().size()));
    }
    const QImage tabImage = tab->grab().toImage();
    QVERIFY(QColor(tabImage.pixel(4, tab->height() / 2)) != QColor(Qt::white));
  }

  // Each field with its default, centred, on the one blue box that names it.
  void FieldsShowTheirDefaultsOnTheirDiagramBoxes() {
    FormHarness& h = *harness_;
    for (const FieldCase& field : kFields) {
      const ModePage* page = h.Form().Page(field.mode);
      auto* edit = h.OnPage<NumberField>(field.mode, field.id);
      QVERIFY2(edit, qPrintable(RowName(field, "exists")));
      QCOMPARE(edit->text(), QString::fromLatin1(field.defaultText));
      QCOMPARE(edit->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
      const QRectF control = InDiagram(edit, page);
      int holders = 0;
      for (const DiagramBox& box : page->Diagram().boxes) {
        if (!box.frame.contains(control)) continue;
        ++holders;
        QVERIFY2(box.carriesField, qPrintable(RowName(field, "on a blue box")));
        QCOMPARE(box.text, QString::fromLatin1(field.boxText));
        QVERIFY2(!box.textArea.intersects(control), qPrintable(RowName(field, "text free")));
      }
      QVERIFY2(holders == 1, qPrintable(RowName(field, "on exactly one box")));
    }
    for (int mode = 0; mode < 4; ++mode) {
      const ModePage* page = h.Form().Page(mode);
      auto* rest = h.OnPage<QComboBox>(mode, kRestLists[mode]);
      QVERIFY(rest);
      QCOMPARE(rest->count(), 2);
      QCOMPARE(rest->itemText(1), "Standby");
      QCOMPARE(rest->currentText(), "Sleep");
      const QRectF list = InDiagram(rest, page);
      int holders = 0;
      for (const DiagramBox& box : page->Diagram().boxes) {
        if (box.frame.contains(list) && box.carriesField) ++holders;
      }
      QCOMPARE(holders, 1);
    }
  }

 private:
  std::unique_ptr<FormHarness> harness_;
};

QTEST_MAIN(ModePagesTest)
#include "mode_pages_test.moc"
