#pragma once
// The directory the build writes into, and the two ways the user sets it: the process's current
// directory, or a folder picked in a chooser that stays open beside the form.

#include <QObject>
#include <QString>
#include <string>

class QWidget;

namespace kitbuilder::ui {

class OutputDirectoryChooser : public QObject {
  Q_OBJECT

 public:
  /// The chooser window opens over `form`, which stays usable while it is open.
  explicit OutputDirectoryChooser(QWidget* form);

  /// Ends in '/', ready for file names to be appended.
  const std::string& Directory() const { return directory_; }
  QString ShownDirectory() const;

  /// True from Browse() until the chooser closes; a second Browse() meanwhile does nothing.
  bool IsBrowsing() const { return browsing_; }

 public slots:
  void TakeCurrentDirectory();
  void Browse();
  /// Takes `path` as the chooser's pick would; an empty path changes nothing.
  void Take(const QString& path);

 signals:
  void DirectoryChanged(const QString& shown);

 private:
  QWidget* form_;
  std::string directory_;
  bool browsing_ = false;
};

}  // namespace kitbuilder::ui
