#include "ui/kitbuilder_form.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QTabBar>
#include <algorithm>
#include <variant>

#include "settings/setting_texts.h"
#include "settings/settings_file.h"
#include "simulator/capture/capture_check.h"
#include "simulator/capture/capture_reader.h"
#include "ui/about_box.h"
#include "ui/app_icon.h"
#include "ui/background_check.h"
#include "ui/channel_dialog.h"
#include "ui/check_result_window.h"
#include "ui/dialog_units.h"
#include "ui/field_rules.h"
#include "ui/hex_entry_box.h"
#include "ui/live_verdict.h"
#include "ui/mode_tab_control.h"
#include "ui/number_field.h"
#include "ui/output_directory_chooser.h"
#include "ui/rx_ack_page.h"
#include "ui/rx_page.h"
#include "ui/settings_file_chooser.h"
#include "ui/tx_ack_page.h"
#include "ui/tx_page.h"

namespace kitbuilder::ui {
namespace {

// Drop-down lists are laid out with the height of their opened list; closed they are this tall.
constexpr int kClosedListHeight = 12;
constexpr int kChannelDigits = 3;

const QStringList kPorts = {"P0", "P1", "P2", "P3"};
const QStringList kPins = {"0", "1", "2", "3", "4", "5", "6", "7"};
/// In the order of TargetCompiler.
const QStringList kCompilers = {"C51", "SDCC"};

QFont FormFont() {
  return QFont(QStringLiteral("Arial"), 9);
}

/// Places the controls of the form at their dialog-unit rectangles, in focus order.
class FormLayout {
 public:
  FormLayout(QWidget* form, const DialogUnits& units) : form_(form), units_(units) {}

  template <typename Control>
  Control* Add(Control* control, int id, int x, int y, int width, int height) {
    if (id != 0) control->setObjectName(QString::number(id));
    control->setGeometry(units_.Rect(x, y, width, height));
    return control;
  }

  QComboBox* List(int id, int x, int y, int width, const QStringList& items) {
    auto* list = Add(new QComboBox(form_), id, x, y, width, kClosedListHeight);
    list->addItems(items);
    return list;
  }

  QLabel* Label(const QString& text, int id, int x, int y, int width, int height) {
    auto* label = Add(new QLabel(text, form_), id, x, y, width, height);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
  }

  void GroupBox(const QString& title, int x, int y, int width, int height) {
    auto* group = Add(new QGroupBox(title, form_), 0, x, y, width, height);
    // A frame drawn around controls that are not its children: it must neither hide them nor
    // catch their clicks.
    group->setAttribute(Qt::WA_TransparentForMouseEvents);
    group->setFocusPolicy(Qt::NoFocus);
    group->lower();
    // The title sits on the frame's top line, where the controls inside were placed to expect it.
    group->setStyleSheet(
        QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: %1px; }"
                       "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }")
            .arg(group->fontMetrics().height() / 2));
  }

  QPlainTextEdit* ReadOnlyText(int id, int x, int y, int width, int height) {
    auto* text = Add(new QPlainTextEdit(form_), id, x, y, width, height);
    text->setReadOnly(true);
    text->setFocusPolicy(Qt::ClickFocus);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->document()->setDocumentMargin(2);
    return text;
  }

 private:
  QWidget* form_;
  const DialogUnits& units_;
};

}  // namespace

KitbuilderForm::KitbuilderForm(const TextStore& store, OutputFiles& files, QWidget* parent)
    : QDialog(parent), store_(store), files_(files) {
  setFont(FormFont());
  CreateControls();
  CreateModePages();
  CreateSettingsFileActions();
  SetDefaults();
  ConnectEvents();
  SetWindowFrame();
}

KitbuilderForm::~KitbuilderForm() {
  // Closing the dialog moves the focus once more, after this part of the form is gone: no
  // field may reach the form's rules from then on, nor the live verdict, whose label may be
  // gone before it.
  for (QObject* child : findChildren<QObject*>()) {
    disconnect(child, nullptr, this, nullptr);
    disconnect(child, nullptr, liveVerdict_, nullptr);
  }
}

QString KitbuilderForm::AboutEntryText() {
  return QString::fromUtf8(u8"\u95dc\u65bc SampleDesk(&A)...");
}

void KitbuilderForm::CreateControls() {
  const DialogUnits units = DialogUnits::OfFont(QFontMetrics(font(), this));
  FormLayout form(this, units);

  channel_ = form.Add(new NumberField(this), 1012, 55, 10, 60, 12);
  dataRate_ = form.List(1019, 55, 53, 60, {"2M bps", "1M bps"});
  txPower_ = form.List(1018, 55, 71, 60, {"0 dBm", "-4 dBm", "-6 dBm", "-8 dBm", "-12 dBm"});
  for (int i = 0; i < 4; ++i) {
    rfId_[i] = form.Add(new HexEntryBox(this), 1013 + i, 38 + 20 * i, 90, 15, 14);
  }
  currentDirectory_ =
      form.Add(new QRadioButton(QStringLiteral("Current directory"), this), 1020, 230, 43, 73, 10);
  selectDirectory_ = form.Add(new QRadioButton(QStringLiteral("Select save directory"), this), 1021,
                              230, 55, 76, 10);
  build_ = form.Add(new QPushButton(QStringLiteral("Build Reference code"), this), 1003, 210, 7,
                    126, 16);
  status_ = form.ReadOnlyText(1004, 0, 390, 340, 18);
  // Two lines must show at once (a status text and the note of a kept main.c), which the box's
  // 18 units hold only without a margin above and below the text. A refusal that names a long
  // path and lists what is allowed can take more lines; they scroll.
  status_->document()->setDocumentMargin(0);
  status_->setStyleSheet(QStringLiteral("QPlainTextEdit { padding-left: 2px; }"));
  status_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  form.GroupBox(QStringLiteral("Setting"), 5, 5, 120, 105);
  form.Label(QStringLiteral("Radio CH"), 0, 15, 15, 32, 8);
  form.Label(QStringLiteral("RF ID"), 0, 15, 95, 20, 8);
  frequency_ = form.Label(QStringLiteral("freq"), 1017, 15, 25, 80, 8);
  form.Label(QStringLiteral("TX Power"), 0, 15, 76, 32, 8);
  form.Label(QStringLiteral("Data Rate"), 0, 15, 58, 35, 8);
  saveLocation_ = form.ReadOnlyText(1022, 0, 360, 340, 15);
  form.Label(QStringLiteral("File save location:"), 0, 0, 350, 57, 8);
  form.Label(QStringLiteral("Information:"), 0, 0, 380, 38, 8);
  form.Label(QStringLiteral("Select file save location:"), 0, 230, 34, 80, 8);
  modeTab_ = form.Add(new ModeTabControl(this), 1027, 5, 115, 335, 230);
  form.GroupBox(QStringLiteral("RF IO setting"), 131, 5, 75, 105);
  form.Label(QStringLiteral("SCS"), 0, 137, 17, 15, 8);
  form.Label(QStringLiteral("SCK"), 0, 136, 32, 15, 8);
  form.Label(QStringLiteral("SDIO"), 0, 136, 47, 18, 8);
  form.Label(QStringLiteral("GIO1"), 0, 136, 62, 17, 8);
  form.Label(QStringLiteral("GIO2"), 0, 136, 76, 17, 8);
  form.Label(QStringLiteral("RF Crystal"), 0, 15, 40, 34, 8);
  crystal_ = form.List(1059, 55, 35, 60, {"16MHz"});
  form.Label(QStringLiteral("WTR"), 0, 137, 90, 16, 8);
  wtr_ = form.List(1060, 156, 90, 45, {"GIO1", "GIO2"});
  ports_[0] = form.List(1061, 156, 15, 25, kPorts);
  pins_[0] = form.List(1062, 181, 15, 20, kPins);
  ports_[1] = form.List(1063, 156, 30, 25, kPorts);
  ports_[2] = form.List(1064, 156, 45, 25, kPorts);
  ports_[3] = form.List(1065, 156, 60, 25, kPorts);
  ports_[4] = form.List(1066, 156, 75, 25, kPorts);
  pins_[1] = form.List(1067, 181, 30, 20, kPins);
  pins_[2] = form.List(1068, 181, 45, 20, kPins);
  pins_[3] = form.List(1069, 181, 60, 20, kPins);
  pins_[4] = form.List(1070, 181, 75, 20, kPins);
  spiMode_ = form.List(1071, 265, 66, 48, {"3-wires", "4-wires"});
  spiMode_->setEditable(true);
  spiMode_->setInsertPolicy(QComboBox::NoInsert);
  form.Label(QStringLiteral("SPI mode:"), 0, 231, 67, 34, 8);
  form.GroupBox(QStringLiteral("Others setting"), 210, 25, 126, 55);
  note_ = form.Label(QStringLiteral("NOTE: This reference code may be not a last version.\n"
                                    "Please double check with ZORVANT persion when you are "
                                    "developing."),
                     1072, 211, 80, 125, 31);
  note_->setWordWrap(true);
  // Liberation Sans wraps the note into four lines, a little more than the 31 units the old
  // font needed; grow it downwards (the mode tab starts below) rather than clip the last line.
  note_->resize(note_->width(), std::max(note_->height(), note_->heightForWidth(note_->width())));
  // The old form had no compiler choice. It stands in the free strip under the mode tab, beside
  // the save location it belongs with, so that no control of the old form moves; created here,
  // it follows the SPI mode box in focus order.
  form.Label(QStringLiteral("Compiler"), 0, 254, 349, 32, 8);
  compiler_ = form.List(0, 288, 347, 52, kCompilers);
  compiler_->setObjectName(QStringLiteral("compiler"));
  // Only SDCC's delay routines are computed for the microcontroller's clock; its fields stand
  // in the same strip. Left empty, the stored routines stay.
  form.Label(QStringLiteral("MCU MHz"), 0, 94, 349, 34, 8);
  mcuClock_ = form.Add(new QLineEdit(this), 0, 130, 347, 36, 12);
  mcuClock_->setObjectName(QStringLiteral("mcuClock"));
  mcuClock_->setPlaceholderText(QStringLiteral("12"));
  mcuClock_->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("[0-9]{0,2}(\\.[0-9]{0,6})?")), mcuClock_));
  form.Label(QStringLiteral("clocks/cycle"), 0, 171, 349, 40, 8);
  clocksPerCycle_ = form.List(0, 212, 347, 30, {"12", "6"});
  clocksPerCycle_->setObjectName(QStringLiteral("clocksPerCycle"));
  // The strip is full; right of the "Information:" label, above the status box, there is room.
  checkButton_ = form.Add(new QPushButton(QStringLiteral("Check..."), this), 0, 290, 376, 50, 13);
  checkButton_->setObjectName(QStringLiteral("check"));
  checkButton_->setAutoDefault(false);
  // The verdict on the settings as they are ends where the button that checks them in full
  // begins.
  verdict_ = form.Label(QString(), 0, 42, 377, 245, 11);
  verdict_->setObjectName(QStringLiteral("verdict"));
  verdict_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  for (QRadioButton* radio : {currentDirectory_, selectDirectory_}) {
    radio->setFocusPolicy(Qt::ClickFocus);
  }
  modeTab_->Tabs()->setFocusPolicy(Qt::ClickFocus);
  build_->setDefault(true);
  outputDirectory_ = new OutputDirectoryChooser(this);
}

void KitbuilderForm::CreateModePages() {
  for (const char* text : {"TX", "RX", "TX with ACK", "RX with ACK"}) {
    modeTab_->AddTab(QString::fromLatin1(text));
  }
  pages_ = {new TxPage(modeTab_), new RxPage(modeTab_), new TxAckPage(modeTab_),
            new RxAckPage(modeTab_)};
  for (ModePage* page : pages_) {
    page->setGeometry(modeTab_->PageRect());
    page->setVisible(page == pages_[0]);
  }
  currentPage_ = 0;
  modeTab_->Tabs()->setCurrentIndex(0);
}

void KitbuilderForm::CreateSettingsFileActions() {
  openSettings_ = new QAction(QStringLiteral("Open settings..."), this);
  openSettings_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  saveSettings_ = new QAction(QStringLiteral("Save settings..."), this);
  saveSettings_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  for (QAction* action : {openSettings_, saveSettings_}) {
    action->setShortcutVisibleInContextMenu(true);
    // Added to the form, the shortcut works wherever the focus is on it, pages included.
    addAction(action);
  }
  settingsFiles_ = new SettingsFileChooser(this);
  // F5 rather than a Ctrl letter: the line edits of the form take Ctrl+K and its kin for
  // themselves.
  check_ = new QAction(QStringLiteral("Check..."), this);
  check_->setShortcut(QKeySequence(Qt::Key_F5));
  check_->setShortcutVisibleInContextMenu(true);
  addAction(check_);
  checkLink_ = new QAction(QStringLiteral("Check link with..."), this);
  checkLink_->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
  checkLink_->setShortcutVisibleInContextMenu(true);
  addAction(checkLink_);
  checkCapture_ = new QAction(QStringLiteral("Check capture..."), this);
  backgroundCheck_ = new BackgroundCheck(store_, this);
  liveVerdict_ = new LiveVerdict(
      store_, [this] { return SettingsToCheck(); }, verdict_, this);
}

void KitbuilderForm::SetDefaults() {
  channel_->setMaxLength(kChannelDigits);
  // The events are not connected yet, so the readout is shown here.
  ShowSettings(DefaultSettings(kModeTx));
  ShowFrequency();
  EnableClockFields();
  rfId_[0]->setEnabled(false);
  currentDirectory_->setChecked(true);
  outputDirectory_->TakeCurrentDirectory();
  ShowSaveLocation(outputDirectory_->ShownDirectory());

  QPalette notePalette = note_->palette();
  notePalette.setColor(QPalette::WindowText, QColor(0, 0, 255));
  note_->setPalette(notePalette);
}

// The form's event table.
void KitbuilderForm::ConnectEvents() {
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this, &KitbuilderForm::ShowFormMenu);
  connect(build_, &QPushButton::clicked, this, &KitbuilderForm::BuildReferenceCode);
  connect(channel_, &QLineEdit::textChanged, this, &KitbuilderForm::ShowFrequency);
  connect(channel_, &NumberField::FocusLost, this, &KitbuilderForm::ApplyChannelRule);
  connect(selectDirectory_, &QRadioButton::clicked, outputDirectory_,
          &OutputDirectoryChooser::Browse);
  connect(currentDirectory_, &QRadioButton::clicked, outputDirectory_,
          &OutputDirectoryChooser::TakeCurrentDirectory);
  connect(outputDirectory_, &OutputDirectoryChooser::DirectoryChanged, this,
          &KitbuilderForm::ShowSaveLocation);
  connect(modeTab_->Tabs(), &QTabBar::currentChanged, this, &KitbuilderForm::SwitchModePage);
  connect(spiMode_->lineEdit(), &QLineEdit::editingFinished, this, &KitbuilderForm::KeepSpiWiring);
  connect(compiler_, &QComboBox::currentIndexChanged, this, &KitbuilderForm::EnableClockFields);
  connect(openSettings_, &QAction::triggered, this,
          [this] { settingsFiles_->ChooseFileToOpen(outputDirectory_->ShownDirectory()); });
  connect(saveSettings_, &QAction::triggered, this, [this] {
    // Refused before a file is chosen, so that the user fixes the form first.
    if (CorrectFieldsForUse()) settingsFiles_->ChooseFileToSave(outputDirectory_->ShownDirectory());
  });
  connect(check_, &QAction::triggered, this, &KitbuilderForm::CheckOnVirtualBoard);
  connect(checkButton_, &QPushButton::clicked, check_, &QAction::trigger);
  connect(checkLink_, &QAction::triggered, this, [this] {
    if (!backgroundCheck_->IsRunning() && CorrectFieldsForUse()) {
      settingsFiles_->ChoosePeerFile(outputDirectory_->ShownDirectory());
    }
  });
  connect(settingsFiles_, &SettingsFileChooser::PeerChosen, this, &KitbuilderForm::CheckLinkWith);
  connect(checkCapture_, &QAction::triggered, this, [this] {
    if (backgroundCheck_->IsRunning() || !CorrectFieldsForUse()) return;
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Check capture"), outputDirectory_->ShownDirectory(),
        QStringLiteral("Captures (*.sr *.vcd *.csv);;All files (*)"));
    if (!path.isEmpty()) CheckCapture(path);
  });
  connect(backgroundCheck_, &BackgroundCheck::Finished, this, &KitbuilderForm::ShowCheckResult);
  connect(backgroundCheck_, &BackgroundCheck::Cancelled, this, [this] {
    EndCheckProgress();
    ShowStatus(QStringLiteral("The check was cancelled."));
  });
  connect(settingsFiles_, &SettingsFileChooser::OpenChosen, this,
          &KitbuilderForm::OpenSettingsFile);
  connect(settingsFiles_, &SettingsFileChooser::SaveChosen, this,
          &KitbuilderForm::SaveSettingsFile);
  // Every change of a setting makes the live verdict check the settings anew.
  for (QLineEdit* field : {static_cast<QLineEdit*>(channel_), static_cast<QLineEdit*>(rfId_[0]),
                           static_cast<QLineEdit*>(rfId_[1]), static_cast<QLineEdit*>(rfId_[2]),
                           static_cast<QLineEdit*>(rfId_[3]), mcuClock_}) {
    connect(field, &QLineEdit::textChanged, liveVerdict_, &LiveVerdict::SettingsChanged);
  }
  std::vector<QComboBox*> lists = {dataRate_, txPower_,  crystal_,       wtr_,
                                   spiMode_,  compiler_, clocksPerCycle_};
  lists.insert(lists.end(), ports_.begin(), ports_.end());
  lists.insert(lists.end(), pins_.begin(), pins_.end());
  for (QComboBox* list : lists) {
    connect(list, &QComboBox::currentIndexChanged, liveVerdict_, &LiveVerdict::SettingsChanged);
  }
  for (ModePage* page : pages_) {
    connect(page, &ModePage::ValuesEdited, liveVerdict_, &LiveVerdict::SettingsChanged);
  }
  connect(modeTab_->Tabs(), &QTabBar::currentChanged, liveVerdict_, &LiveVerdict::SettingsChanged);
}

void KitbuilderForm::SetWindowFrame() {
  setWindowTitle(QStringLiteral("K3960 kitbuilder"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setWindowIcon(ApplicationIcon());
  const DialogUnits units = DialogUnits::OfFont(QFontMetrics(font(), this));
  setFixedSize(units.Size(343, 408));
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame(QPoint(), size());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

void KitbuilderForm::ShowFrequency() {
  frequency_->setText(FrequencyReadout(channel_->text()));
}

void KitbuilderForm::ApplyChannelRule() {
  const ChannelCorrection correction = CorrectChannel(channel_->text());
  if (!correction.statusMessage.isEmpty()) ShowStatus(correction.statusMessage);
  channel_->setText(correction.text);
}

void KitbuilderForm::SwitchModePage(int index) {
  pages_[currentPage_]->hide();
  currentPage_ = index;
  pages_[currentPage_]->show();
  pages_[currentPage_]->setFocus(Qt::TabFocusReason);
}

void KitbuilderForm::ShowFormMenu(const QPoint& position) {
  QMenu menu(this);
  menu.addAction(openSettings_);
  menu.addAction(saveSettings_);
  menu.addSeparator();
  menu.addAction(check_);
  menu.addAction(checkLink_);
  menu.addAction(checkCapture_);
  menu.addSeparator();
  menu.addAction(AboutEntryText(), this, &KitbuilderForm::OpenAboutBox);
  menu.exec(mapToGlobal(position));
}

void KitbuilderForm::OpenAboutBox() {
  AboutBox about(this);
  about.exec();
}

void KitbuilderForm::ShowSaveLocation(const QString& directory) {
  saveLocation_->setPlainText(directory);
}

void KitbuilderForm::KeepSpiWiring() {
  const int typed = spiMode_->findText(spiMode_->currentText().trimmed(), Qt::MatchFixedString);
  if (typed >= 0) spiMode_->setCurrentIndex(typed);
  spiMode_->setEditText(spiMode_->itemText(spiMode_->currentIndex()));
}

GenerationSettings KitbuilderForm::GatherSettings() const {
  GenerationSettings settings;
  RfParameters& rf = settings.rf;
  rf.channel = FieldNumber(channel_->text());
  rf.txPowerIndex = txPower_->currentIndex();
  rf.dataRateIndex = dataRate_->currentIndex();
  rf.crystalIndex = crystal_->currentIndex();
  for (int i = 0; i < 4; ++i) settings.rfId[i] = "0x" + rfId_[i]->text().toStdString();

  settings.operatingMode = currentPage_;
  PinAssignment& pins = settings.pins;
  std::array<int32_t*, 5> ports = {&pins.scsPort, &pins.sckPort, &pins.sdioPort, &pins.gio1Port,
                                   &pins.gio2Port};
  std::array<int32_t*, 5> bits = {&pins.scsPin, &pins.sckPin, &pins.sdioPin, &pins.gio1Pin,
                                  &pins.gio2Pin};
  for (int i = 0; i < 5; ++i) {
    *ports[i] = ports_[i]->currentIndex();
    *bits[i] = pins_[i]->currentIndex();
  }
  pins.wtrLine = wtr_->currentIndex();
  pins.spiMode = spiMode_->currentIndex();
  PlaceModeValues(currentPage_, pages_[currentPage_]->Values(), &rf);
  settings.compiler = static_cast<TargetCompiler>(compiler_->currentIndex());
  if (settings.compiler == TargetCompiler::kSdcc) settings.mcuClock = ShownClock();
  return settings;
}

std::variant<GenerationSettings, QString> KitbuilderForm::SettingsToCheck() const {
  for (const QString& refusal : {EmptyRfIdBoxText(), ClockOutOfRangeText()}) {
    if (!refusal.isEmpty()) return refusal;
  }
  GenerationSettings settings = GatherSettings();
  settings.rf.channel = FieldNumber(CorrectChannel(channel_->text()).text);
  PlaceModeValues(currentPage_, CorrectedModeValues(pages_[currentPage_]->Values()), &settings.rf);
  return settings;
}

std::optional<McuClock> KitbuilderForm::ShownClock() const {
  const QString megahertz = mcuClock_->text();
  if (megahertz.isEmpty() && clocksPerCycle_->currentIndex() == 0) return std::nullopt;
  McuClock clock;
  if (!megahertz.isEmpty()) clock.megahertz = megahertz.toDouble();
  clock.clocksPerCycle = clocksPerCycle_->currentIndex() == 0 ? 12 : 6;
  return clock;
}

void KitbuilderForm::BuildReferenceCode() {
  if (!CorrectFieldsForUse()) return;
  const GenerationSettings shown = GatherSettings();
  ShowBuildOutcome(RunBuildSequence(store_, files_, outputDirectory_->Directory(), shown,
                                    settings::SettingsFileText(shown)));
}

void KitbuilderForm::CheckOnVirtualBoard() {
  if (backgroundCheck_->IsRunning() || !CorrectFieldsForUse()) return;
  backgroundCheck_->Start(GatherSettings());
  ShowCheckProgress(
      QStringLiteral("Building the firmware with SDCC and running it on the virtual board..."));
}

void KitbuilderForm::CheckLinkWith(const QString& peerSettingsFile) {
  if (backgroundCheck_->IsRunning() || !CorrectFieldsForUse()) return;
  const std::variant<GenerationSettings, settings::Refusal> peer =
      settings::ReadSettingsFile(QFile::encodeName(peerSettingsFile).toStdString());
  if (const auto* refusal = std::get_if<settings::Refusal>(&peer)) {
    ShowStatus(QString::fromStdString(refusal->message));
    return;
  }
  backgroundCheck_->StartLink(GatherSettings(), std::get<GenerationSettings>(peer));
  ShowCheckProgress(
      QStringLiteral("Building both firmwares with SDCC and running them on two "
                     "virtual boards on one air..."));
}

void KitbuilderForm::CheckCapture(const QString& path) {
  if (backgroundCheck_->IsRunning() || !CorrectFieldsForUse()) return;
  const GenerationSettings settings = GatherSettings();
  std::string error;
  const std::optional<simulator::FirmwareSettings> firmware =
      simulator::FirmwareSettingsFrom(settings, &error);
  if (!firmware) {
    ShowStatus(QString::fromStdString(error));
    return;
  }
  const std::string file = QFile::encodeName(path).toStdString();
  std::variant<std::vector<std::string>, std::string> channels =
      simulator::ReadCaptureChannels(file);
  if (const std::string* unreadable = std::get_if<std::string>(&channels)) {
    auto refused = std::make_shared<FinishedCheck>();
    refused->capture.emplace().problems = {"the capture cannot be used: " + *unreadable};
    ShowCheckResult(std::move(refused));
    return;
  }
  // Window-modal: the settings the lines are asked for stay those the check runs on.
  auto* dialog =
      new ChannelDialog(QFileInfo(path).fileName(), std::get<std::vector<std::string>>(channels),
                        simulator::UsedLines(simulator::BusWiringOf(*firmware)), this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &QDialog::accepted, this, [this, dialog, settings, file] {
    if (backgroundCheck_->IsRunning()) return;
    backgroundCheck_->StartCapture(settings, file, dialog->Mapping().toStdString());
    ShowCheckProgress(QStringLiteral("Reading the capture and holding it against the settings..."));
  });
  dialog->open();
}

void KitbuilderForm::ShowCheckProgress(const QString& text) {
  for (QAction* action : {check_, checkLink_, checkCapture_}) action->setEnabled(false);
  checkButton_->setEnabled(false);
  checkProgress_ = new QProgressDialog(text, QStringLiteral("Cancel"), 0, 0, this);
  checkProgress_->setWindowTitle(windowTitle());
  // The form stays usable while the check runs.
  checkProgress_->setWindowModality(Qt::NonModal);
  checkProgress_->setAutoReset(false);
  checkProgress_->setAutoClose(false);
  checkProgress_->setMinimumDuration(0);
  connect(checkProgress_, &QProgressDialog::canceled, backgroundCheck_, &BackgroundCheck::Cancel);
  checkProgress_->show();
}

void KitbuilderForm::ShowCheckResult(std::shared_ptr<const FinishedCheck> check) {
  EndCheckProgress();
  auto* window = new CheckResultWindow(std::move(check), this);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
}

void KitbuilderForm::EndCheckProgress() {
  for (QAction* action : {check_, checkLink_, checkCapture_}) action->setEnabled(true);
  checkButton_->setEnabled(true);
  if (checkProgress_ != nullptr) checkProgress_->deleteLater();
  checkProgress_ = nullptr;
}

bool KitbuilderForm::CorrectFieldsForUse() {
  ApplyChannelRule();
  pages_[currentPage_]->ApplyRangeRules();
  KeepSpiWiring();
  return !RefuseEmptyRfIdBox() && !RefuseClockOutOfRange();
}

bool KitbuilderForm::RefuseClockOutOfRange() {
  const QString refusal = ClockOutOfRangeText();
  if (refusal.isEmpty()) return false;
  ShowStatus(refusal);
  mcuClock_->setFocus(Qt::OtherFocusReason);
  return true;
}

QString KitbuilderForm::ClockOutOfRangeText() const {
  if (!mcuClock_->isEnabled() || mcuClock_->text().isEmpty()) return QString();
  bool number = false;
  const double megahertz = mcuClock_->text().toDouble(&number);
  if (number && megahertz >= 1.0 && megahertz <= 50.0) return QString();
  return QStringLiteral(
             "MCU clock %1 MHz is out of range: enter 1 to 50 MHz, or leave the "
             "field empty for the stored delay loops.")
      .arg(mcuClock_->text());
}

void KitbuilderForm::ShowBuildOutcome(const BuildOutcome& outcome) {
  if (outcome.writeError) {
    ReportWriteError(*outcome.writeError, outcome.notices);
    return;
  }
  QString status = QString::fromStdString(outcome.statusText);
  for (const std::string& notice : outcome.notices) {
    status += QLatin1Char('\n') + QString::fromStdString(notice);
  }
  ShowStatus(status);
  if (outcome.success) pages_[currentPage_]->setFocus(Qt::OtherFocusReason);
}

void KitbuilderForm::OpenSettingsFile(const QString& path) {
  const std::variant<GenerationSettings, settings::Refusal> file =
      settings::ReadSettingsFile(QFile::encodeName(path).toStdString());
  if (const auto* refusal = std::get_if<settings::Refusal>(&file)) {
    ShowStatus(QString::fromStdString(refusal->message));
    return;
  }
  // Keys the file leaves out take their defaults, as kitbuilder-cli takes them from the same
  // file, so that a build from here writes what a build from the file writes.
  ShowSettings(std::get<GenerationSettings>(file));
  ShowStatus(QStringLiteral("Settings opened from %1.").arg(path));
}

void KitbuilderForm::SaveSettingsFile(const QString& path) {
  if (!CorrectFieldsForUse()) return;
  const std::optional<WriteError> error =
      settings::WriteSettingsFile(files_, QFile::encodeName(path).toStdString(), GatherSettings());
  if (error) {
    ShowStatus(QStringLiteral("Settings file %1 cannot be written: %2; choose another file.")
                   .arg(path, QString::fromStdString(error->systemError)));
    return;
  }
  ShowStatus(QStringLiteral("Settings saved to %1.").arg(path));
}

void KitbuilderForm::ShowSettings(const GenerationSettings& settings) {
  const RfParameters& rf = settings.rf;
  channel_->setText(QString::number(rf.channel));
  dataRate_->setCurrentIndex(rf.dataRateIndex);
  txPower_->setCurrentIndex(rf.txPowerIndex);
  crystal_->setCurrentIndex(rf.crystalIndex);
  for (int i = 0; i < 4; ++i) {
    // Each byte is "0x" and the box's text.
    rfId_[i]->setText(QString::fromStdString(settings.rfId[i].substr(2)));
  }

  const PinAssignment& pins = settings.pins;
  const std::array<int, 5> ports = {pins.scsPort, pins.sckPort, pins.sdioPort, pins.gio1Port,
                                    pins.gio2Port};
  const std::array<int, 5> bits = {pins.scsPin, pins.sckPin, pins.sdioPin, pins.gio1Pin,
                                   pins.gio2Pin};
  for (int i = 0; i < 5; ++i) {
    ports_[i]->setCurrentIndex(ports[i]);
    pins_[i]->setCurrentIndex(bits[i]);
  }
  wtr_->setCurrentIndex(pins.wtrLine);
  spiMode_->setCurrentIndex(pins.spiMode);
  compiler_->setCurrentIndex(static_cast<int>(settings.compiler));
  mcuClock_->setText(settings.mcuClock ? QString::fromStdString(settings::SettingText(
                                             settings, settings::Setting::kMcuClock))
                                       : QString());
  clocksPerCycle_->setCurrentIndex(settings.mcuClock && settings.mcuClock->clocksPerCycle == 6);

  pages_[settings.operatingMode]->ShowValues(TakeModeValues(settings.operatingMode, rf));
  modeTab_->Tabs()->setCurrentIndex(settings.operatingMode);
}

void KitbuilderForm::EnableClockFields() {
  const bool sdcc = compiler_->currentIndex() == static_cast<int>(TargetCompiler::kSdcc);
  mcuClock_->setEnabled(sdcc);
  clocksPerCycle_->setEnabled(sdcc);
}

void KitbuilderForm::ShowStatus(const QString& text) {
  status_->setPlainText(text);
}

bool KitbuilderForm::RefuseEmptyRfIdBox() {
  const QString refusal = EmptyRfIdBoxText();
  if (!refusal.isEmpty()) ShowStatus(refusal);
  return !refusal.isEmpty();
}

QString KitbuilderForm::EmptyRfIdBoxText() const {
  for (int i = 0; i < 4; ++i) {
    if (rfId_[i]->text().isEmpty()) {
      return QStringLiteral("RF ID box %1 is empty: enter one or two hex digits.").arg(i + 1);
    }
  }
  return QString();
}

void KitbuilderForm::ReportWriteError(const WriteError& error,
                                      const std::vector<std::string>& notices) {
  QString message = QStringLiteral("Writing %1 failed: %2\nThe build stopped at this file.")
                        .arg(QFile::decodeName(QByteArray::fromStdString(error.path)),
                             QString::fromStdString(error.systemError));
  // Files were replaced before the failure, so the user must learn where the edits went.
  for (const std::string& notice : notices) {
    message += QLatin1Char('\n') + QString::fromStdString(notice);
  }
  QMessageBox::critical(this, windowTitle(), message);
}

}  // namespace kitbuilder::ui
