#include "ui/channel_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include "simulator/capture/channel_mapping.h"

namespace kitbuilder::ui {
namespace {

// Where the last accepted choice is kept: the user's kitbuilder.conf, one key per line holding
// its channel's name.
const QString kSettingsName = QStringLiteral("kitbuilder");
const QString kGroup = QStringLiteral("captureChannels");

QString NameOf(size_t line) {
  return QString::fromLatin1(simulator::LineName(static_cast<simulator::ChipLine>(line)));
}

}  // namespace

ChannelDialog::ChannelDialog(const QString& captureName, const std::vector<std::string>& channels,
                             simulator::LineSet used, QWidget* parent)
    : QDialog(parent), used_(used) {
  setWindowTitle(QStringLiteral("Channels of the capture - K3960 kitbuilder"));
  auto* layout = new QVBoxLayout(this);
  auto* question =
      new QLabel(QStringLiteral("Which of the channels of %1 carries each of the radio's lines?")
                     .arg(captureName));
  question->setWordWrap(true);
  layout->addWidget(question);
  auto* form = new QFormLayout;
  for (size_t line = 0; line < choices_.size(); ++line) {
    QComboBox*& choice = choices_[line];
    choice = new QComboBox;
    choice->setObjectName(NameOf(line));
    choice->addItem(QStringLiteral("(none)"));
    for (const std::string& channel : channels) choice->addItem(QString::fromStdString(channel));
    const QString label = used_.test(line)
                              ? NameOf(line)
                              : QStringLiteral("%1 (not used by this wiring)").arg(NameOf(line));
    form->addRow(label, choice);
  }
  layout->addLayout(form);
  problem_ = new QLabel;
  problem_->setObjectName(QStringLiteral("problem"));
  problem_->setWordWrap(true);
  QPalette problemColours = problem_->palette();
  problemColours.setColor(QPalette::WindowText, QColor(180, 0, 0));
  problem_->setPalette(problemColours);
  layout->addWidget(problem_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setText(QStringLiteral("Check"));
  connect(buttons, &QDialogButtonBox::accepted, this, &ChannelDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);

  Preset(channels);
  for (QComboBox* choice : choices_) {
    connect(choice, &QComboBox::currentIndexChanged, this, &ChannelDialog::ShowProblem);
  }
  ShowProblem();
}

void ChannelDialog::Preset(const std::vector<std::string>& channels) {
  const simulator::ChannelMapping named = simulator::ChannelsNamedLikeTheLines(channels);
  QSettings settings(kSettingsName, kSettingsName);
  settings.beginGroup(kGroup);
  for (size_t line = 0; line < choices_.size(); ++line) {
    // The last capture's choice, when this one has its channel: captures of one board keep
    // their probes.
    const int remembered = choices_[line]->findText(settings.value(NameOf(line)).toString(),
                                                    Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (remembered > 0) {
      choices_[line]->setCurrentIndex(remembered);
    } else if (named[line]) {
      choices_[line]->setCurrentIndex(static_cast<int>(*named[line]) + 1);
    }
  }
}

QString ChannelDialog::Problem() const {
  QStringList missing;
  for (size_t line = 0; line < choices_.size(); ++line) {
    if (used_.test(line) && choices_[line]->currentIndex() == 0) missing << NameOf(line);
  }
  if (!missing.isEmpty()) {
    return QStringLiteral("Choose the channel of %1, which the board uses.")
        .arg(missing.size() == 1 ? missing.front()
                                 : missing.mid(0, missing.size() - 1).join(QStringLiteral(", ")) +
                                       QStringLiteral(" and ") + missing.back());
  }
  for (size_t line = 0; line < choices_.size(); ++line) {
    for (size_t other = line + 1; other < choices_.size(); ++other) {
      const int channel = choices_[line]->currentIndex();
      if (channel != 0 && channel == choices_[other]->currentIndex()) {
        return QStringLiteral("%1 is chosen for both %2 and %3: a channel carries one line.")
            .arg(choices_[line]->currentText(), NameOf(line), NameOf(other));
      }
    }
  }
  return QString();
}

void ChannelDialog::ShowProblem() {
  const QString problem = Problem();
  problem_->setText(problem);
  problem_->setVisible(!problem.isEmpty());
  ok_->setEnabled(problem.isEmpty());
}

QString ChannelDialog::Mapping() const {
  QStringList pairs;
  for (size_t line = 0; line < choices_.size(); ++line) {
    if (choices_[line]->currentIndex() == 0) continue;
    pairs << NameOf(line) + QLatin1Char('=') + choices_[line]->currentText();
  }
  return pairs.join(QLatin1Char(','));
}

void ChannelDialog::Remember() const {
  QSettings settings(kSettingsName, kSettingsName);
  settings.beginGroup(kGroup);
  for (size_t line = 0; line < choices_.size(); ++line) {
    if (choices_[line]->currentIndex() == 0) {
      settings.remove(NameOf(line));
    } else {
      settings.setValue(NameOf(line), choices_[line]->currentText());
    }
  }
}

void ChannelDialog::accept() {
  if (!Problem().isEmpty()) return;
  Remember();
  QDialog::accept();
}

}  // namespace kitbuilder::ui
