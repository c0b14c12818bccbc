// The form's arrangement: every control of the old form stands at its template rectangle, and
// the fields and the button that the old form lacked overlap none of them.

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QtTest>

#include "form_harness.h"
#include "ui/dialog_units.h"

using namespace kitbuilder::ui;
using namespace kitbuilder::ui::testing;

namespace {

/// A control of the old form's template: found by its id, or by its text when it has none. Lists
/// are laid out closed, 12 units tall, rather than at their opened height.
struct TemplateControl {
  const char* name;
  int x, y, width, height;
};

const TemplateControl kTemplate[] = {
    {"1012", 55, 10, 60, 12},
    {"1019", 55, 53, 60, 65},
    {"1018", 55, 71, 60, 75},
    {"1013", 38, 90, 15, 14},
    {"1014", 58, 90, 15, 14},
    {"1015", 78, 90, 15, 14},
    {"1016", 98, 90, 15, 14},
    {"1020", 230, 43, 73, 10},
    {"1021", 230, 55, 76, 10},
    {"1003", 210, 7, 126, 16},
    {"1004", 0, 390, 340, 18},
    {"Setting", 5, 5, 120, 105},
    {"Radio CH", 15, 15, 32, 8},
    {"RF ID", 15, 95, 20, 8},
    {"1017", 15, 25, 80, 8},
    {"TX Power", 15, 76, 32, 8},
    {"Data Rate", 15, 58, 35, 8},
    {"1022", 0, 360, 340, 15},
    {"File save location:", 0, 350, 57, 8},
    {"Information:", 0, 380, 38, 8},
    {"Select file save location:", 230, 34, 80, 8},
    {"1027", 5, 115, 335, 230},
    {"RF IO setting", 131, 5, 75, 105},
    {"SCS", 137, 17, 15, 8},
    {"SCK", 136, 32, 15, 8},
    {"SDIO", 136, 47, 18, 8},
    {"GIO1", 136, 62, 17, 8},
    {"GIO2", 136, 76, 17, 8},
    {"RF Crystal", 15, 40, 34, 8},
    {"1059", 55, 35, 60, 30},
    {"WTR", 137, 90, 16, 8},
    {"1060", 156, 90, 45, 30},
    {"1061", 156, 15, 25, 60},
    {"1062", 181, 15, 20, 85},
    {"1063", 156, 30, 25, 60},
    {"1064", 156, 45, 25, 60},
    {"1065", 156, 60, 25, 60},
    {"1066", 156, 75, 25, 60},
    {"1067", 181, 30, 20, 85},
    {"1068", 181, 45, 20, 85},
    {"1069", 181, 60, 20, 85},
    {"1070", 181, 75, 20, 85},
    {"1071", 265, 66, 48, 30},
    {"SPI mode:", 231, 67, 34, 8},
    {"Others setting", 210, 25, 126, 55},
    {"1072", 211, 80, 125, 31},
};

/// The control on the form itself whose id, label text or group title is `name`.
QWidget* Find(KitbuilderForm& form, const char* name) {
  const QString text = QString::fromUtf8(name);
  if (auto* byId = form.findChild<QWidget*>(text, Qt::FindDirectChildrenOnly)) return byId;
  for (QLabel* label : form.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    if (label->text() == text) return label;
  }
  for (QGroupBox* group : form.findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly)) {
    if (group->title() == text) return group;
  }
  return nullptr;
}

}  // namespace

class FormLayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { harness_ = std::make_unique<FormHarness>(); }
  void cleanup() { harness_.reset(); }

  void OldControlsKeepTheirTemplateRectangles() {
    KitbuilderForm& form = harness_->Form();
    const DialogUnits units = DialogUnits::OfFont(QFontMetrics(form.font(), &form));
    for (const TemplateControl& control : kTemplate) {
      const QWidget* widget = Find(form, control.name);
      QVERIFY2(widget, control.name);
      const bool isList = qobject_cast<const QComboBox*>(widget) != nullptr;
      const QRect expected =
          units.Rect(control.x, control.y, control.width, isList ? 12 : control.height);
      const QRect actual = widget->geometry();
      if (QString(control.name) == "1072") {
        // The NOTE grows downwards to fit its text in the substitute font, towards the tab.
        QCOMPARE(actual.topLeft(), expected.topLeft());
        QCOMPARE(actual.width(), expected.width());
        QVERIFY(actual.height() >= expected.height());
        QVERIFY(actual.bottom() < units.Y(115));
      } else {
        QVERIFY2(actual == expected, control.name);
      }
    }
  }

  // The compiler choice and the clock fields that the old form lacked, each with its label on
  // its left and on its row, and the check's button, whose text fits it: inside the form,
  // overlapping no old control and no other of them.
  void AddedFieldsFitBesideThemWithoutOverlap() {
    KitbuilderForm& form = harness_->Form();
    const std::pair<const char*, const char*> added[] = {{"compiler", "Compiler"},
                                                         {"mcuClock", "MCU MHz"},
                                                         {"clocksPerCycle", "clocks/cycle"},
                                                         {"check", nullptr}};
    std::vector<const QWidget*> placed;
    for (const auto& [name, text] : added) {
      const auto* field = form.findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
      QVERIFY2(field, name);
      std::vector<const QWidget*> widgets = {field};
      if (text != nullptr) {
        const QWidget* label = Find(form, text);
        QVERIFY2(label, text);
        QVERIFY2(label->geometry().right() < field->geometry().left(), name);
        QVERIFY2(label->geometry().top() >= field->geometry().top(), name);
        QVERIFY2(label->geometry().bottom() <= field->geometry().bottom(), name);
        QVERIFY2(label->sizeHint().width() <= label->width(), text);
        widgets.push_back(label);
      } else {
        QVERIFY2(field->minimumSizeHint().width() <= field->width(), name);
      }
      for (const QWidget* widget : widgets) {
        QVERIFY(form.rect().contains(widget->geometry()));
        for (const TemplateControl& control : kTemplate) {
          QVERIFY2(!Find(form, control.name)->geometry().intersects(widget->geometry()),
                   control.name);
        }
        for (const QWidget* other : placed) {
          QVERIFY2(!other->geometry().intersects(widget->geometry()), name);
        }
        placed.push_back(widget);
      }
    }
  }

 private:
  std::unique_ptr<FormHarness> harness_;
};

QTEST_MAIN(FormLayoutTest)
#include "form_layout_test.moc"
