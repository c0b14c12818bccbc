#pragma once
// The result of a check in a window of its own: the verdict at the top, the report under it,
// the picture of the five radio lines, and "Save trace..." for the lines as a Value Change Dump.

#include <QWidget>
#include <memory>

class QLabel;
class QPlainTextEdit;
class QScrollArea;

namespace kitbuilder::ui {

struct FinishedCheck;
class LineTraceView;

class CheckResultWindow : public QWidget {
  Q_OBJECT

 public:
  explicit CheckResultWindow(std::shared_ptr<const FinishedCheck> check, QWidget* parent = nullptr);

  QString Verdict() const;
  QString Report() const;
  /// Null when the run drove no line: the build failed or the tools are missing.
  LineTraceView* Trace() const { return trace_; }

 public slots:
  /// Writes every line change of the run to `path`; false, with the reason shown, if it cannot.
  bool SaveTrace(const QString& path);

 protected:
  void showEvent(QShowEvent* event) override;

 private slots:
  void ChooseTraceFile();
  void KeepPointInView(double factor, int x);

 private:
  QWidget* CreateTracePanel();

  std::shared_ptr<const FinishedCheck> check_;
  QLabel* verdict_ = nullptr;
  QPlainTextEdit* report_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  LineTraceView* trace_ = nullptr;
  bool fitted_ = false;
};

}  // namespace kitbuilder::ui
