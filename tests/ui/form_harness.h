#pragma once
// A real, shown and active main form for the window's tests, started in a temporary directory
// so that its output directory is that directory, with a build cache of its own for the checks it
// runs and a settings file of its own for what the window remembers.

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <memory>

#include "engine/output_files.h"
#include "engine/text_store.h"
#include "simulator/firmware/check_tools.h"
#include "ui/kitbuilder_form.h"
#include "ui/mode_page.h"

namespace kitbuilder::ui::testing {

class FormHarness {
 public:
  /// `files` is where the form writes; the disk when none is given.
  explicit FormHarness(OutputFiles* files = nullptr);
  ~FormHarness();

  KitbuilderForm& Form() { return *form_; }
  const QTemporaryDir& Directory() const { return directory_; }

  /// The control with the given id on the form itself (not on a mode page).
  template <typename Control>
  Control* OnForm(int id) {
    return form_->findChild<Control*>(QString::number(id), Qt::FindDirectChildrenOnly);
  }
  /// The control with the given id on the page of `operatingMode`.
  template <typename Control>
  Control* OnPage(int operatingMode, int id) {
    return form_->Page(operatingMode)->findChild<Control*>(QString::number(id));
  }

  QString Status() { return OnForm<QPlainTextEdit>(1004)->toPlainText(); }
  void SelectTab(int index);
  /// Clicks the Build button.
  void Build();

  /// The settings file chooser that is open over the form, or null.
  QFileDialog* SettingsChooser();
  /// Presses Ctrl+O (or Ctrl+S) on the focused control and chooses `path` in the chooser that
  /// opens. False when no chooser opened.
  bool OpenSettings(const QString& path);
  bool SaveSettings(const QString& path);

 private:
  QString previousDirectory_;
  QByteArray previousCache_;
  QTemporaryDir directory_;
  QTemporaryDir cache_;
  QTemporaryDir config_;
  DiskOutputFiles disk_;
  std::unique_ptr<KitbuilderForm> form_;
};

/// Skips the running test where sdcc, s51 or make is missing.
#define SKIP_WITHOUT_CHECK_TOOLS()                          \
  do {                                                      \
    std::string missing;                                    \
    if (!kitbuilder::simulator::FindCheckTools(&missing)) { \
      QSKIP(qPrintable(QString::fromStdString(missing)));   \
    }                                                       \
  } while (false)

/// PATH set to `directory` for the object's life.
class PathSetTo {
 public:
  explicit PathSetTo(const QString& directory) : saved_(qgetenv("PATH")) {
    qputenv("PATH", directory.toLocal8Bit());
  }
  ~PathSetTo() { qputenv("PATH", saved_); }

 private:
  QByteArray saved_;
};

/// The bytes of the file at `path`; empty when it cannot be read.
QByteArray FileBytes(const QString& path);
/// Writes `bytes` as the whole of the file at `path`; false when they could not be written.
bool WriteBytes(const QString& path, const QByteArray& bytes);
/// Gives `control` the focus with a mouse click, as a user would.
void ClickInto(QWidget* control);
/// Replaces the field's text with `text`, typed key by key.
void TypeInto(QLineEdit* field, const QString& text);
/// Puts `text` on the clipboard and pastes it over the whole of the field's text with Ctrl+V.
void PasteInto(QLineEdit* field, const QString& text);
/// Chooses `path` in a file chooser and accepts it, as a user would.
void ChooseFile(QFileDialog* chooser, const QString& path);

}  // namespace kitbuilder::ui::testing
