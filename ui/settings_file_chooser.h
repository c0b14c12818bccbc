#pragma once
// Where a settings file is read from or written to: a file chooser over the form that blocks the
// form while it is open, so that nothing on the form changes between the choice and its use.

#include <QFileDialog>
#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace kitbuilder::ui {

class SettingsFileChooser : public QObject {
  Q_OBJECT

 public:
  explicit SettingsFileChooser(QWidget* form);

  /// Asks for an existing settings file, starting at the file chosen last or else in
  /// `startDirectory`; emits OpenChosen when one is chosen. Does nothing while a chooser is open.
  void ChooseFileToOpen(const QString& startDirectory);

  /// Asks where to write the settings, in the same way; emits SaveChosen. A name without an
  /// extension gets ".toml".
  void ChooseFileToSave(const QString& startDirectory);

  /// Asks for the settings file of the other board of a link, as for opening; emits PeerChosen.
  void ChoosePeerFile(const QString& startDirectory);

 signals:
  void OpenChosen(const QString& path);
  void SaveChosen(const QString& path);
  void PeerChosen(const QString& path);

 private:
  /// A chooser with what opening and saving share, not yet shown; null when one is open already.
  QFileDialog* NewChooser(const QString& title, const QString& startDirectory,
                          QFileDialog::AcceptMode mode);

  QWidget* form_;
  QPointer<QFileDialog> open_;
  QString lastChosen_;
};

}  // namespace kitbuilder::ui
