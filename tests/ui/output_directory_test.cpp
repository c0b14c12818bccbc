// Choosing the output directory: the current directory, the folder chooser that leaves the form
// usable, and the guard against a second chooser.

#include <QApplication>
#include <QFileDialog>
#include <QRadioButton>
#include <QtTest>

#include "form_harness.h"
#include "ui/output_directory_chooser.h"

using namespace kitbuilder::ui;
using namespace kitbuilder::ui::testing;

namespace {

std::vector<QFileDialog*> OpenChoosers(QWidget* form) {
  std::vector<QFileDialog*> open;
  for (QFileDialog* chooser : form->findChildren<QFileDialog*>()) {
    if (chooser->isVisible()) open.push_back(chooser);
  }
  return open;
}

}  // namespace

class OutputDirectoryTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    harness_ = std::make_unique<FormHarness>();
    QDir(harness_->Directory().path()).mkdir("chosen");
  }
  void cleanup() { harness_.reset(); }

  void BrowsingOpensOneChooserAndLeavesTheFormUsable() {
    FormHarness& h = *harness_;
    QTest::mouseClick(h.OnForm<QRadioButton>(1021), Qt::LeftButton);
    QTest::mouseClick(h.OnForm<QRadioButton>(1021), Qt::LeftButton);
    std::vector<QFileDialog*> choosers = OpenChoosers(&h.Form());
    QCOMPARE(choosers.size(), size_t(1));
    QCOMPARE(choosers[0]->windowTitle(), "Please select files save directory.");
    QCOMPARE(choosers[0]->fileMode(), QFileDialog::Directory);
    QVERIFY(!choosers[0]->isModal());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QVERIFY(h.Form().OutputDirectory()->IsBrowsing());

    h.Build();
    QCOMPARE(h.Status(), "All file creat success.");
  }

  // How a chosen path is written is the engine's, root and all; here, that the choice is taken.
  void ChoosingAFolderShowsItWithOneSlash() {
    FormHarness& h = *harness_;
    const QDir base(h.Directory().path());
    QTest::mouseClick(h.OnForm<QRadioButton>(1021), Qt::LeftButton);
    QFileDialog* chooser = OpenChoosers(&h.Form()).at(0);
    chooser->setDirectory(base.absoluteFilePath("chosen"));
    static_cast<QDialog*>(chooser)->accept();  // QFileDialog hides the slot it overrides
    QCOMPARE(h.OnForm<QPlainTextEdit>(1022)->toPlainText(), base.absoluteFilePath("chosen/"));
    QCOMPARE(h.Form().OutputDirectory()->Directory(),
             base.absoluteFilePath("chosen/").toStdString());
    QVERIFY(!h.Form().OutputDirectory()->IsBrowsing());
  }

  void CancellingKeepsTheDirectoryAndAllowsAnotherBrowse() {
    FormHarness& h = *harness_;
    const QString before = h.OnForm<QPlainTextEdit>(1022)->toPlainText();
    QTest::mouseClick(h.OnForm<QRadioButton>(1021), Qt::LeftButton);
    OpenChoosers(&h.Form()).at(0)->reject();
    QCOMPARE(h.OnForm<QPlainTextEdit>(1022)->toPlainText(), before);
    QVERIFY(h.OnForm<QRadioButton>(1021)->isChecked());
    QVERIFY(!h.Form().OutputDirectory()->IsBrowsing());
    QTest::mouseClick(h.OnForm<QRadioButton>(1021), Qt::LeftButton);
    QCOMPARE(OpenChoosers(&h.Form()).size(), size_t(1));
  }

  void CurrentDirectoryWhileBrowsingThenAChoiceReplacesIt() {
    FormHarness& h = *harness_;
    const QDir base(h.Directory().path());
    QTest::mouseClick(h.OnForm<QRadioButton>(1021), Qt::LeftButton);
    QDir::setCurrent(base.absoluteFilePath("chosen"));
    QTest::mouseClick(h.OnForm<QRadioButton>(1020), Qt::LeftButton);
    QCOMPARE(h.OnForm<QPlainTextEdit>(1022)->toPlainText(), base.absoluteFilePath("chosen/"));
    QDir::setCurrent(base.path());
    QFileDialog* chooser = OpenChoosers(&h.Form()).at(0);
    chooser->setDirectory(base.path());
    static_cast<QDialog*>(chooser)->accept();  // QFileDialog hides the slot it overrides
    QCOMPARE(h.OnForm<QPlainTextEdit>(1022)->toPlainText(), base.path() + "/");
  }

  void StartedFromTheRootShowsOneSlash() {
    const QString previous = QDir::currentPath();
    QDir::setCurrent("/");
    kitbuilder::DiskOutputFiles disk;
    KitbuilderForm form(kitbuilder::EmbeddedStore(), disk);
    QDir::setCurrent(previous);
    QCOMPARE(form.findChild<QPlainTextEdit*>("1022")->toPlainText(), "/");
  }

 private:
  std::unique_ptr<FormHarness> harness_;
};

QTEST_MAIN(OutputDirectoryTest)
#include "output_directory_test.moc"
