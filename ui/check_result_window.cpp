#include "ui/check_result_window.h"

#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <fstream>
#include <sstream>

#include "simulator/capture/capture_report.h"
#include "simulator/check_report.h"
#include "simulator/vcd_trace.h"
#include "ui/background_check.h"
#include "ui/line_trace_view.h"

namespace kitbuilder::ui {
namespace {

using simulator::CheckRun;

QString Sentence(const std::string& text) {
  QString sentence = QString::fromStdString(text).trimmed();
  if (!sentence.isEmpty()) sentence[0] = sentence[0].toUpper();
  return sentence;
}

QString VerdictOf(const CheckRun& run) {
  switch (run.status) {
    case CheckRun::Status::kAsTheSettingsSay:
      return QString::fromLatin1(simulator::kAsTheSettingsSayVerdict);
    case CheckRun::Status::kDeviates: {
      QStringList problems;
      for (const std::string& problem : run.outcome.problems) problems << Sentence(problem);
      return problems.join(QLatin1Char('\n'));
    }
    case CheckRun::Status::kBuildFailed:
      return QStringLiteral("The firmware does not build; SDCC said what is in the report.");
    case CheckRun::Status::kToolsMissing:
    case CheckRun::Status::kCannotRun:
      // The message may begin with a program's name, which keeps its case.
      return QStringLiteral("The check cannot run: %1.").arg(QString::fromStdString(run.message));
  }
  return QString();
}

QString LinkVerdictOf(const simulator::LinkRun& link) {
  using Status = simulator::LinkRun::Status;
  switch (link.status) {
    case Status::kWorks:
      return QString::fromStdString(simulator::LinkVerdict(link));
    case Status::kFails: {
      QStringList lines{QString::fromStdString(simulator::LinkVerdict(link))};
      for (const std::string& problem : link.problems) lines << Sentence(problem);
      return lines.join(QLatin1Char('\n'));
    }
    case Status::kBuildFailed:
      return QStringLiteral("A firmware does not build; SDCC said what is in the report.");
    case Status::kToolsMissing:
    case Status::kCannotRun:
      return QStringLiteral("The check cannot run: %1.").arg(QString::fromStdString(link.message));
  }
  return QString();
}

QString CaptureVerdictOf(const CheckedCapture& capture) {
  if (capture.passes) return QString::fromLatin1(simulator::kBoardAsTheSettingsSayVerdict);
  QStringList problems;
  for (const std::string& problem : capture.problems) problems << Sentence(problem);
  return problems.join(QLatin1Char('\n'));
}

QString ReportOf(const FinishedCheck& check) {
  if (check.capture) return QString::fromStdString(check.capture->report);
  if (check.link) {
    const simulator::LinkRun& link = *check.link;
    if (link.status == simulator::LinkRun::Status::kBuildFailed) {
      return QString::fromStdString(link.message);
    }
    if (link.status != simulator::LinkRun::Status::kWorks &&
        link.status != simulator::LinkRun::Status::kFails) {
      return QString();
    }
    std::ostringstream report;
    simulator::WriteLinkTextReport(link, report);
    return QString::fromStdString(report.str());
  }
  const CheckRun& run = check.run;
  if (run.status == CheckRun::Status::kBuildFailed) return QString::fromStdString(run.message);
  if (run.status != CheckRun::Status::kAsTheSettingsSay &&
      run.status != CheckRun::Status::kDeviates) {
    return QString();
  }
  std::ostringstream report;
  simulator::WriteTextReport(run, check.clock, report);
  return QString::fromStdString(report.str());
}

}  // namespace

CheckResultWindow::CheckResultWindow(std::shared_ptr<const FinishedCheck> check, QWidget* parent)
    : QWidget(parent, Qt::Window), check_(std::move(check)) {
  const auto& link = check_->link;
  const auto& capture = check_->capture;
  setWindowTitle(capture ? QStringLiteral("Check of a capture of the board - K3960 kitbuilder")
                 : link
                     ? QStringLiteral("Check of the link on the virtual board - K3960 kitbuilder")
                     : QStringLiteral("Check on the virtual board - K3960 kitbuilder"));
  const bool passed = capture ? capture->passes
                      : link  ? link->status == simulator::LinkRun::Status::kWorks
                              : check_->run.status == CheckRun::Status::kAsTheSettingsSay;
  verdict_ = new QLabel(capture ? CaptureVerdictOf(*capture)
                        : link  ? LinkVerdictOf(*link)
                                : VerdictOf(check_->run));
  verdict_->setObjectName(QStringLiteral("verdict"));
  verdict_->setWordWrap(true);
  verdict_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  verdict_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  QFont bold = verdict_->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.2);
  verdict_->setFont(bold);
  QPalette verdictColours = verdict_->palette();
  verdictColours.setColor(QPalette::WindowText, passed ? QColor(0, 110, 0) : QColor(180, 0, 0));
  verdict_->setPalette(verdictColours);

  report_ = new QPlainTextEdit(ReportOf(*check_));
  report_->setObjectName(QStringLiteral("report"));
  report_->setReadOnly(true);
  report_->setLineWrapMode(QPlainTextEdit::NoWrap);
  report_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(verdict_);
  layout->addWidget(report_, 1);
  auto* buttons = new QHBoxLayout;
  const LineRecording& boardLines = link ? check_->linkLines.Board() : check_->lines;
  if (capture ? !capture->pieces.empty() : !boardLines.Changes().empty()) {
    if (link) {
      layout->addWidget(new QLabel(QStringLiteral("This board")));
      layout->addWidget(CreateTracePanel(boardLines, TracePiecesOf(link->board.outcome, boardLines),
                                         link->boardClock, board_));
      layout->addWidget(new QLabel(QStringLiteral("The peer")));
      const LineRecording& peerLines = check_->linkLines.Peer();
      layout->addWidget(CreateTracePanel(peerLines, TracePiecesOf(link->peer.outcome, peerLines),
                                         link->peerClock, peer_));
    } else if (capture) {
      layout->addWidget(CreateTracePanel(boardLines, capture->pieces, check_->clock, board_));
    } else {
      layout->addWidget(CreateTracePanel(boardLines, TracePiecesOf(check_->run.outcome, boardLines),
                                         check_->clock, board_));
    }
    auto* zoomIn = new QPushButton(QStringLiteral("+"));
    auto* zoomOut = new QPushButton(QStringLiteral("-"));
    for (QPushButton* zoom : {zoomIn, zoomOut}) {
      zoom->setFixedWidth(zoom->sizeHint().height() * 2);
      buttons->addWidget(zoom);
    }
    zoomIn->setToolTip(QStringLiteral("Zoom in (Ctrl+wheel on the picture)"));
    zoomOut->setToolTip(QStringLiteral("Zoom out (Ctrl+wheel on the picture)"));
    for (LineTraceView* view : {board_.view, peer_.view}) {
      if (view == nullptr) continue;
      connect(zoomIn, &QPushButton::clicked, view, &LineTraceView::ZoomIn);
      connect(zoomOut, &QPushButton::clicked, view, &LineTraceView::ZoomOut);
    }
    buttons->addStretch();
    // A capture is its own trace, and the window keeps only its first changes.
    if (!capture) {
      auto* save = new QPushButton(QStringLiteral("Save trace..."));
      save->setObjectName(QStringLiteral("saveTrace"));
      connect(save, &QPushButton::clicked, this, &CheckResultWindow::ChooseTraceFile);
      buttons->addWidget(save);
    }
  } else {
    buttons->addStretch();
  }
  auto* close = new QPushButton(QStringLiteral("Close"));
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  // Without a run there is only the verdict to read.
  if (report_->toPlainText().isEmpty()) {
    report_->hide();
    resize(640, sizeHint().height());
  } else {
    // Two pictures of the lines leave the report the same room as one.
    resize(900, link ? 900 : 640);
  }
}

QWidget* CheckResultWindow::CreateTracePanel(const LineRecording& lines,
                                             std::vector<TracePiece> pieces, const McuClock& clock,
                                             TracePanel& panel) {
  auto* widget = new QWidget;
  auto* row = new QHBoxLayout(widget);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(4);
  auto* names = new QVBoxLayout;
  names->setSpacing(0);
  names->addSpacing(LineTraceView::kAxisHeight);
  for (const char* name : {"SCS", "SCK", "SDIO", "GIO1", "GIO2"}) {
    auto* label = new QLabel(QString::fromLatin1(name));
    label->setFixedHeight(LineTraceView::kRowHeight);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    names->addWidget(label);
  }
  names->addStretch();
  row->addLayout(names);

  panel.view = new LineTraceView(lines, std::move(pieces), clock);
  panel.view->setObjectName(QStringLiteral("trace"));
  panel.scroll = new QScrollArea;
  QScrollArea* scroll = panel.scroll;
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidget(panel.view);
  scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  scroll->setFixedHeight(panel.view->height() + scroll->horizontalScrollBar()->sizeHint().height());
  // The point under the mouse stays where it is while the picture grows or shrinks.
  connect(panel.view, &LineTraceView::Zoomed, this, [scroll](double factor, int x) {
    QScrollBar* bar = scroll->horizontalScrollBar();
    const int onScreen = x - bar->value();
    bar->setValue(static_cast<int>(x * factor) - onScreen);
  });
  row->addWidget(scroll, 1);
  return widget;
}

void CheckResultWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The first picture shows everything it draws; the viewport has its width only once shown.
  if (fitted_) return;
  fitted_ = true;
  for (const TracePanel& panel : {board_, peer_}) {
    if (panel.view != nullptr) panel.view->FitTo(panel.scroll->viewport()->width());
  }
}

QString CheckResultWindow::Verdict() const {
  return verdict_->text();
}

QString CheckResultWindow::Report() const {
  return report_->toPlainText();
}

void CheckResultWindow::ChooseTraceFile() {
  const QString path =
      QFileDialog::getSaveFileName(this, QStringLiteral("Save trace"), QString(),
                                   QStringLiteral("Value Change Dump (*.vcd);;All files (*)"));
  if (!path.isEmpty()) SaveTrace(path);
}

bool CheckResultWindow::SaveTrace(const QString& path) {
  std::ofstream out(QFile::encodeName(path).toStdString(), std::ios::binary);
  if (out && check_->link) {
    simulator::VcdTrace trace(out, check_->link->boardClock, check_->link->peerClock);
    check_->linkLines.Replay(trace, *trace.peer());
    out.flush();
  } else if (out) {
    simulator::VcdTrace trace(out, check_->clock);
    check_->lines.Replay(trace);
    out.flush();
  }
  if (out) return true;
  QMessageBox::warning(this, windowTitle(),
                       QStringLiteral("The trace cannot be written to %1; choose a file in a "
                                      "writable directory.")
                           .arg(path));
  return false;
}

}  // namespace kitbuilder::ui
