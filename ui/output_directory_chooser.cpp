#include "ui/output_directory_chooser.h"

#include <QFile>
#include <QFileDialog>

#include "engine/output_directory.h"

namespace kitbuilder::ui {
namespace {

QString ChooserTitle() {
  return QStringLiteral("Please select files save directory.");
}

}  // namespace

OutputDirectoryChooser::OutputDirectoryChooser(QWidget* form) : QObject(form), form_(form) {}

QString OutputDirectoryChooser::ShownDirectory() const {
  return QFile::decodeName(QByteArray::fromStdString(directory_));
}

void OutputDirectoryChooser::TakeCurrentDirectory() {
  directory_ = CurrentOutputDirectory();
  emit DirectoryChanged(ShownDirectory());
}

void OutputDirectoryChooser::Browse() {
  if (browsing_) return;
  browsing_ = true;
  auto* chooser = new QFileDialog(form_, ChooserTitle(), ShownDirectory());
  chooser->setFileMode(QFileDialog::Directory);
  chooser->setOption(QFileDialog::ShowDirsOnly);
  chooser->setWindowModality(Qt::NonModal);
  connect(chooser, &QFileDialog::fileSelected, this, &OutputDirectoryChooser::Take);
  connect(chooser, &QFileDialog::finished, this, [this, chooser] {
    browsing_ = false;
    chooser->deleteLater();
  });
  chooser->show();
}

void OutputDirectoryChooser::Take(const QString& path) {
  if (path.isEmpty()) return;
  directory_ = NormalizeOutputDirectory(QFile::encodeName(path).toStdString());
  emit DirectoryChanged(ShownDirectory());
}

}  // namespace kitbuilder::ui
