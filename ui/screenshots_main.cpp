// Renders the form into PNG files, for looking at the layout without a display: each mode tab
// with the verdict beside "Check..." on its settings, a verdict that names a problem, the form's
// menu, the result windows of a check and of a link check, the question of a capture's channels
// and the result window of its check, an SDCC build over an edited main.c and a refused settings
// file. The form shows the example directory
// /home/user/firmware/ throughout, so that no path of the machine that renders the pictures ends up
// in them; its builds land in a temporary directory.
//   kitbuilder-screenshots OUTPUT_DIRECTORY

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QSettings>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "engine/output_files.h"
#include "engine/text_store.h"
#include "settings/settings_file.h"
#include "ui/channel_dialog.h"
#include "ui/check_result_window.h"
#include "ui/kitbuilder_form.h"
#include "ui/live_verdict.h"
#include "ui/output_directory_chooser.h"

namespace {

bool Save(const QPixmap& picture, const QDir& directory, const char* name) {
  const QString path = directory.filePath(QString::fromLatin1(name));
  if (picture.save(path)) return true;
  std::fprintf(stderr, "kitbuilder-screenshots: cannot write %s\n", qPrintable(path));
  return false;
}

/// The menu that a right-click on the form opens, grabbed while it is open.
QPixmap FormMenu(kitbuilder::ui::KitbuilderForm& form) {
  QPixmap picture;
  QTimer::singleShot(0, [&picture] {
    if (QWidget* menu = QApplication::activePopupWidget()) {
      picture = menu->grab();
      menu->close();
    }
  });
  emit form.customContextMenuRequested(QPoint(20, 20));
  return picture;
}

/// The result window of the check that `start` starts, once it has run; its trace is saved to
/// `trace` when one is given.
QPixmap CheckResult(kitbuilder::ui::KitbuilderForm& form, const std::function<void()>& start,
                    const QString& trace = QString()) {
  start();
  const QDeadlineTimer deadline(std::chrono::minutes(5));
  kitbuilder::ui::CheckResultWindow* window = nullptr;
  while (window == nullptr && !deadline.hasExpired()) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    window = form.findChild<kitbuilder::ui::CheckResultWindow*>();
  }
  if (window == nullptr) return QPixmap();
  QApplication::processEvents();
  const QPixmap picture = window->grab();
  if (!trace.isEmpty() && !window->SaveTrace(trace)) return QPixmap();
  window->close();
  return picture;
}

/// The run's trace at `trace`, written with the 12 MHz board's 1 us timescale, as an analyzer
/// sampling at 10 MHz would have saved it: the capture that the capture check's pictures show.
bool WriteCapture(const QString& trace, const QString& capture) {
  QFile in(trace);
  if (!in.open(QIODevice::ReadOnly)) return false;
  QByteArray sampled;
  for (const QByteArray& line : in.readAll().split('\n')) {
    if (line.startsWith('#')) {
      sampled += '#' + QByteArray::number(line.mid(1).toULongLong() * 10);
    } else {
      sampled += line == "$timescale 1 us $end" ? QByteArray("$timescale 100 ns $end") : line;
    }
    sampled += '\n';
  }
  QFile out(capture);
  return out.open(QIODevice::WriteOnly) && out.write(sampled) == sampled.size();
}

/// The question of the channels of the capture at `path`, grabbed, then answered as proposed.
QPixmap ChannelQuestion(kitbuilder::ui::KitbuilderForm& form, const QString& path) {
  form.CheckCapture(path);
  auto* dialog = form.findChild<kitbuilder::ui::ChannelDialog*>();
  if (dialog == nullptr) return QPixmap();
  QApplication::processEvents();
  const QPixmap picture = dialog->grab();
  dialog->accept();
  return picture;
}

/// The form once the verdict beside "Check..." holds for its settings as they are.
QPixmap WithVerdict(kitbuilder::ui::KitbuilderForm& form) {
  auto* verdict = form.findChild<kitbuilder::ui::LiveVerdict*>();
  // Also where nothing changed since the last picture: the first one's settings are the start's.
  verdict->SettingsChanged();
  const QDeadlineTimer deadline(std::chrono::minutes(5));
  while (verdict->Verdict().isEmpty() && !deadline.hasExpired()) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  return form.grab();
}

const char kExampleDirectory[] = "/home/user/firmware/";

/// The disk, with the example directory standing for a real one.
class ExampleDirectoryFiles : public kitbuilder::OutputFiles {
 public:
  explicit ExampleDirectoryFiles(const QString& real)
      : real_(QFile::encodeName(real).toStdString() + "/") {}
  kitbuilder::WriteOutcome Write(const std::string& path, std::string_view bytes) override {
    return disk_.Write(Real(path), bytes);
  }
  std::optional<std::string> ReadExisting(const std::string& path) override {
    return disk_.ReadExisting(Real(path));
  }
  kitbuilder::WriteOutcome MakeDirectory(const std::string& path) override {
    return disk_.MakeDirectory(Real(path));
  }
  kitbuilder::WriteOutcome Remove(const std::string& path) override {
    return disk_.Remove(Real(path));
  }

 private:
  std::string Real(const std::string& path) const {
    const std::string example = kExampleDirectory;
    if (path.compare(0, example.size(), example) != 0) return path;
    return real_ + path.substr(example.size());
  }

  kitbuilder::DiskOutputFiles disk_;
  std::string real_;
};

bool Append(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::Append) && file.write(bytes) == bytes.size();
}

}  // namespace

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
  // The builds go to a directory of their own, never into the caller's.
  QTemporaryDir builds;
  QDir::setCurrent(builds.path());
  ExampleDirectoryFiles files(builds.path());
  kitbuilder::ui::KitbuilderForm form(kitbuilder::EmbeddedStore(), files);
  form.OutputDirectory()->Take(QString::fromLatin1(kExampleDirectory));
  form.show();
  const char* names[] = {"form-tx.png", "form-rx.png", "form-tx-ack.png", "form-rx-ack.png"};
  auto* tabs = form.findChild<QTabBar*>();
  for (int mode = 0; mode < kitbuilder::ui::KitbuilderForm::kModeCount; ++mode) {
    tabs->setCurrentIndex(mode);
    if (!Save(WithVerdict(form), directory, names[mode])) return 1;
  }
  // SDIO on SCK's pin, P3.0.
  auto* sdioPort = form.findChild<QComboBox*>(QStringLiteral("1064"));
  auto* sdioPin = form.findChild<QComboBox*>(QStringLiteral("1068"));
  const int port = sdioPort->currentIndex();
  const int pin = sdioPin->currentIndex();
  sdioPin->setCurrentIndex(0);
  if (!Save(WithVerdict(form), directory, "form-verdict-problem.png")) return 1;
  sdioPort->setCurrentIndex(port);
  sdioPin->setCurrentIndex(pin);
  if (!Save(FormMenu(form), directory, "form-menu.png")) return 1;
  tabs->setCurrentIndex(0);
  const QString trace = builds.filePath(QStringLiteral("run.vcd"));
  if (!Save(CheckResult(
                form, [&form] { form.CheckOnVirtualBoard(); }, trace),
            directory, "check-result.png")) {
    return 1;
  }
  // The channels the capture check remembers go with the builds, not into the user's settings.
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, builds.path());
  const QString capture = builds.filePath(QStringLiteral("board.vcd"));
  if (!WriteCapture(trace, capture)) {
    std::fprintf(stderr, "kitbuilder-screenshots: cannot write %s\n", qPrintable(capture));
    return 1;
  }
  if (!Save(ChannelQuestion(form, capture), directory, "capture-channels.png") ||
      !Save(CheckResult(form, [] {}), directory, "capture-check-result.png")) {
    return 1;
  }
  // The link of the TX with ACK page with an RX with ACK board of default settings.
  const QString peer = builds.filePath(QStringLiteral("rx-ack-board.toml"));
  if (kitbuilder::settings::WriteSettingsFile(
          files, QFile::encodeName(peer).toStdString(),
          kitbuilder::DefaultSettings(kitbuilder::kModeRxAck))) {
    return 1;
  }
  tabs->setCurrentIndex(kitbuilder::kModeTxAck);
  if (!Save(CheckResult(form, [&form, &peer] { form.CheckLinkWith(peer); }), directory,
            "link-check-result.png")) {
    return 1;
  }
  tabs->setCurrentIndex(0);

  form.findChild<QComboBox*>(QStringLiteral("compiler"))->setCurrentIndex(1);
  form.findChild<QLineEdit*>(QStringLiteral("mcuClock"))->setText(QStringLiteral("11.0592"));
  form.BuildReferenceCode();
  if (!Append(builds.filePath(QStringLiteral("main.c")), "/* the user's own code */\n")) {
    std::fprintf(stderr, "kitbuilder-screenshots: cannot edit main.c in %s\n",
                 qPrintable(builds.path()));
    return 1;
  }
  form.findChild<QLineEdit*>(QStringLiteral("1012"))->setText(QStringLiteral("12"));
  form.BuildReferenceCode();
  QApplication::processEvents();
  if (!Save(form.grab(), directory, "form-sdcc-kept-edits.png")) return 1;

  // Opened by a relative name, so that the refusal names the file and not the directory.
  const QString refused = QStringLiteral("board.toml");
  if (!Append(refused, "channel = 12\ncolour = \"blue\"\n")) return 1;
  form.OpenSettingsFile(refused);
  QApplication::processEvents();
  return Save(form.grab(), directory, "form-refused-settings.png") ? 0 : 1;
}
