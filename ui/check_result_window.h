#pragma once
// The result of a check in a window of its own: the verdict at the top, the report under it,
// the picture of the five radio lines (of both boards, for a link check; as the capture shows
// them, for a capture), and "Save trace..." for a run's lines as a Value Change Dump.

#include <QWidget>
#include <memory>

#include "engine/generation_settings.h"
#include "simulator/firmware_check.h"
#include "ui/trace_pieces.h"

class QLabel;
class QPlainTextEdit;
class QScrollArea;

namespace kitbuilder::ui {

struct FinishedCheck;
class LineRecording;
class LineTraceView;

class CheckResultWindow : public QWidget {
  Q_OBJECT

 public:
  explicit CheckResultWindow(std::shared_ptr<const FinishedCheck> check, QWidget* parent = nullptr);

  QString Verdict() const;
  QString Report() const;
  /// Null when the run drove no line: the build failed or the tools are missing, or the
  /// capture could not be used.
  LineTraceView* Trace() const { return board_.view; }
  /// The peer's lines of a link check; null for a check of one board.
  LineTraceView* PeerTrace() const { return peer_.view; }

 public slots:
  /// Writes every line change of the run to `path`; false, with the reason shown, if it cannot.
  bool SaveTrace(const QString& path);

 protected:
  void showEvent(QShowEvent* event) override;

 private slots:
  void ChooseTraceFile();

 private:
  struct TracePanel {
    LineTraceView* view = nullptr;
    QScrollArea* scroll = nullptr;
  };
  QWidget* CreateTracePanel(const LineRecording& lines, std::vector<TracePiece> pieces,
                            const McuClock& clock, TracePanel& panel);

  std::shared_ptr<const FinishedCheck> check_;
  QLabel* verdict_ = nullptr;
  QPlainTextEdit* report_ = nullptr;
  TracePanel board_;
  TracePanel peer_;
  bool fitted_ = false;
};

}  // namespace kitbuilder::ui
