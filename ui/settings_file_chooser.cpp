#include "ui/settings_file_chooser.h"

#include <QFileDialog>

namespace kitbuilder::ui {
namespace {

QStringList SettingsFileFilters() {
  return {QStringLiteral("Kitbuilder settings (*.toml)"), QStringLiteral("All files (*)")};
}

}  // namespace

SettingsFileChooser::SettingsFileChooser(QWidget* form) : QObject(form), form_(form) {}

void SettingsFileChooser::ChooseFileToOpen(const QString& startDirectory) {
  QFileDialog* chooser =
      NewChooser(QStringLiteral("Open settings"), startDirectory, QFileDialog::AcceptOpen);
  if (!chooser) return;
  connect(chooser, &QFileDialog::fileSelected, this, &SettingsFileChooser::OpenChosen);
  // Window-modal: the form waits for the choice, while the event loop goes on.
  chooser->open();
}

void SettingsFileChooser::ChooseFileToSave(const QString& startDirectory) {
  QFileDialog* chooser =
      NewChooser(QStringLiteral("Save settings"), startDirectory, QFileDialog::AcceptSave);
  if (!chooser) return;
  chooser->setDefaultSuffix(QStringLiteral("toml"));
  connect(chooser, &QFileDialog::fileSelected, this, &SettingsFileChooser::SaveChosen);
  chooser->open();
}

void SettingsFileChooser::ChoosePeerFile(const QString& startDirectory) {
  QFileDialog* chooser = NewChooser(QStringLiteral("Check link with the settings of"),
                                    startDirectory, QFileDialog::AcceptOpen);
  if (!chooser) return;
  connect(chooser, &QFileDialog::fileSelected, this, &SettingsFileChooser::PeerChosen);
  chooser->open();
}

QFileDialog* SettingsFileChooser::NewChooser(const QString& title, const QString& startDirectory,
                                             QFileDialog::AcceptMode mode) {
  if (open_) return nullptr;
  auto* chooser = new QFileDialog(form_, title, startDirectory);
  chooser->setAcceptMode(mode);
  chooser->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
  chooser->setNameFilters(SettingsFileFilters());
  if (!lastChosen_.isEmpty()) chooser->selectFile(lastChosen_);
  connect(chooser, &QFileDialog::fileSelected, this,
          [this](const QString& path) { lastChosen_ = path; });
  connect(chooser, &QFileDialog::finished, this, [this, chooser] {
    open_ = nullptr;
    chooser->deleteLater();
  });
  open_ = chooser;
  return chooser;
}

}  // namespace kitbuilder::ui
