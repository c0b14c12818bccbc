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

/// A control of the old form's template: found by its id, or by its text when it has none.
struct TemplateControl {
  int id;
  const char* text;
  int x, y, width, height;
  bool isList;  ///< laid out closed, 12 units tall, rather than at its opened height
};

const TemplateControl kTemplate[] = {
    {1012, nullptr, 55, 10, 60, 12, false},
    {1019, nullptr, 55, 53, 60, 65, true},
    {1018, nullptr, 55, 71, 60, 75, true},
    {1013, nullptr, 38, 90, 15, 14, false},
    {1014, nullptr, 58, 90, 15, 14, false},
    {1015, nullptr, 78, 90, 15, 14, false},
    {1016, nullptr, 98, 90, 15, 14, false},
    {1020, nullptr, 230, 43, 73, 10, false},
    {1021, nullptr, 230, 55, 76, 10, false},
    {1003, nullptr, 210, 7, 126, 16, false},
    {1004, nullptr, 0, 390, 340, 18, false},
    {0, "Setting", 5, 5, 120, 105, false},
    {0, "Radio CH", 15, 15, 32, 8, false},
    {0, "RF ID", 15, 95, 20, 8, false},
    {1017, nullptr, 15, 25, 80, 8, false},
    {0, "TX Power", 15, 76, 32, 8, false},
    {0, "Data Rate", 15, 58, 35, 8, false},
    {1022, nullptr, 0, 360, 340, 15, false},
    {0, "File save location:", 0, 350, 57, 8, false},
    {0, "Information:", 0, 380, 38, 8, false},
    {0, "Select file save location:", 230, 34, 80, 8, false},
    {1027, nullptr, 5, 115, 335, 230, false},
    {0, "RF IO setting", 131, 5, 75, 105, false},
    {0, "SCS", 137, 17, 15, 8, false},
    {0, "SCK", 136, 32, 15, 8, false},
    {0, "SDIO", 136, 47, 18, 8, false},
    {0, "GIO1", 136, 62, 17, 8, false},
    {0, "GIO2", 136, 76, 17, 8, false},
    {0, "RF Crystal", 15, 40, 34, 8, false},
    {1059, nullptr, 55, 35, 60, 30, true},
    {0, "WTR", 137, 90, 16, 8, false},
    {1060, nullptr, 156, 90, 45, 30, true},
    {1061, nullptr, 156, 15, 25, 60, true},
    {1062, nullptr, 181, 15, 20, 85, true},
    {1063, nullptr, 156, 30, 25, 60, true},
    {1064, nullptr, 156, 45, 25, 60, true},
    {1065, nullptr, 156, 60, 25, 60, true},
    {1066, nullptr, 156, 75, 25, 60, true},
    {1067, nullptr, 181, 30, 20, 85, true},
    {1068, nullptr, 181, 45, 20, 85, true},
    {1069, nullptr, 181, 60, 20, 85, true},
    {1070, nullptr, 181, 75, 20, 85, true},
    {1071, nullptr, 265, 66, 48, 30, true},
    {0, "SPI mode:", 231, 67, 34, 8, false},
    {0, "Others setting", 210, 25, 126, 55, false},
    {1072, nullptr, 211, 80, 125, 31, false},
};

QWidget* Find(KitbuilderForm& form, const TemplateControl& control) {
  if (control.id != 0) {
    return form.findChild<QWidget*>(QString::number(control.id), Qt::FindDirectChildrenOnly);
  }
  const QString text = QString::fromUtf8(control.text);
  for (QLabel* label : form.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    if (label->text() == text) return label;
  }
  for (QGroupBox* group : form.findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly)) {
    if (group->title() == text) return group;
  }
  return nullptr;
}

QString NameOf(const TemplateControl& control) {
  return control.id != 0 ? QString::number(control.id) : QString::fromUtf8(control.text);
}

QLabel* LabelSaying(KitbuilderForm& form, const char* text) {
  for (QLabel* label : form.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    if (label->text() == text) return label;
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
      const QWidget* widget = Find(form, control);
      QVERIFY2(widget, qPrintable(NameOf(control)));
      const QRect expected =
          units.Rect(control.x, control.y, control.width, control.isList ? 12 : control.height);
      const QRect actual = widget->geometry();
      if (control.id == 1072) {
        // The NOTE grows downwards to fit its text in the substitute font, towards the tab.
        QCOMPARE(actual.topLeft(), expected.topLeft());
        QCOMPARE(actual.width(), expected.width());
        QVERIFY(actual.height() >= expected.height());
        QVERIFY(actual.bottom() < units.Y(115));
      } else {
        QVERIFY2(actual == expected, qPrintable(NameOf(control)));
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
        const QLabel* label = LabelSaying(form, text);
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
          QVERIFY2(!Find(form, control)->geometry().intersects(widget->geometry()),
                   qPrintable(NameOf(control)));
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
