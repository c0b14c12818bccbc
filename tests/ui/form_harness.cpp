#include "form_harness.h"

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QSettings>
#include <QTabBar>
#include <QtTest>

namespace kitbuilder::ui::testing {

FormHarness::FormHarness(OutputFiles* files)
    : previousDirectory_(QDir::currentPath()), previousCache_(qgetenv("XDG_CACHE_HOME")) {
  QDir::setCurrent(directory_.path());
  qputenv("XDG_CACHE_HOME", cache_.path().toLocal8Bit());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config_.path());
  form_ = std::make_unique<KitbuilderForm>(EmbeddedStore(), files ? *files : disk_);
  form_->show();
  form_->activateWindow();
  if (!QTest::qWaitForWindowActive(form_.get())) qWarning("the form did not become active");
}

FormHarness::~FormHarness() {
  form_.reset();
  QDir::setCurrent(previousDirectory_);
  qputenv("XDG_CACHE_HOME", previousCache_);
}

void FormHarness::SelectTab(int index) {
  QTabBar* tabs = form_->findChild<QTabBar*>();
  QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(index).center());
}

void FormHarness::Build() {
  QTest::mouseClick(OnForm<QPushButton>(1003), Qt::LeftButton);
}

QFileDialog* FormHarness::SettingsChooser() {
  for (QFileDialog* chooser : form_->findChildren<QFileDialog*>()) {
    if (chooser->isVisible() && chooser->fileMode() != QFileDialog::Directory) return chooser;
  }
  return nullptr;
}

namespace {

bool ChooseAfterShortcut(FormHarness& h, Qt::Key key, const QString& path) {
  QWidget* focused = QApplication::focusWidget();
  QTest::keyClick(focused ? focused : &h.Form(), key, Qt::ControlModifier);
  QFileDialog* chooser = h.SettingsChooser();
  if (!chooser) return false;
  ChooseFile(chooser, path);
  return true;
}

}  // namespace

bool FormHarness::OpenSettings(const QString& path) {
  return ChooseAfterShortcut(*this, Qt::Key_O, path);
}

bool FormHarness::SaveSettings(const QString& path) {
  return ChooseAfterShortcut(*this, Qt::Key_S, path);
}

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void ChooseFile(QFileDialog* chooser, const QString& path) {
  chooser->selectFile(path);
  static_cast<QDialog*>(chooser)->accept();  // QFileDialog hides the slot it overrides
}

void ClickInto(QWidget* control) {
  QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, QPoint(4, control->height() / 2));
  if (!control->hasFocus())
    qWarning("%s did not take the focus", qPrintable(control->objectName()));
}

void TypeInto(QLineEdit* field, const QString& text) {
  ClickInto(field);
  field->selectAll();
  QTest::keyClick(field, Qt::Key_Delete);
  QTest::keyClicks(field, text);
}

void PasteInto(QLineEdit* field, const QString& text) {
  ClickInto(field);
  QApplication::clipboard()->setText(text);
  field->selectAll();
  QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
}

}  // namespace kitbuilder::ui::testing
