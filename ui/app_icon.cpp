#include "ui/app_icon.h"

#include <QDir>

namespace kitbuilder::ui {

QIcon ApplicationIcon() {
  QIcon icon;
  // Each size is rendered from the drawing on its own, so small ones stay sharp instead of
  // being scaled down from the largest.
  for (const QFileInfo& png : QDir(QStringLiteral(":/icons")).entryInfoList(QDir::Files)) {
    icon.addFile(png.filePath());
  }
  return icon;
}

}  // namespace kitbuilder::ui
