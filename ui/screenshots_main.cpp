// Renders the form with each mode tab selected into PNG files, for looking at the layout
// without a display: kitbuilder-screenshots OUTPUT_DIRECTORY

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTabBar>
#include <cstdio>

#include "engine/output_files.h"
#include "engine/text_store.h"
#include "ui/kitbuilder_form.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: kitbuilder-screenshots OUTPUT_DIRECTORY\n");
    return 2;
  }
  const QDir directory(QString::fromLocal8Bit(argv[1]));
  if (!directory.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "kitbuilder-screenshots: cannot create %s\n", argv[1]);
    return 1;
  }
  kitbuilder::DiskOutputFiles files;
  kitbuilder::ui::KitbuilderForm form(kitbuilder::EmbeddedStore(), files);
  form.show();
  const char* names[] = {"form-tx.png", "form-rx.png", "form-tx-ack.png", "form-rx-ack.png"};
  auto* tabs = form.findChild<QTabBar*>();
  for (int mode = 0; mode < kitbuilder::ui::KitbuilderForm::kModeCount; ++mode) {
    tabs->setCurrentIndex(mode);
    QApplication::processEvents();
    const QString path = directory.filePath(QString::fromLatin1(names[mode]));
    if (!form.grab().save(path)) {
      std::fprintf(stderr, "kitbuilder-screenshots: cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
