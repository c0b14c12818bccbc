#pragma once
// The mode tab of the form: a row of tabs over a frame, with the mode pages as its children.

#include <QWidget>

class QTabBar;

namespace kitbuilder::ui {

class ModeTabControl : public QWidget {
  Q_OBJECT

 public:
  explicit ModeTabControl(QWidget* parent = nullptr);

  QTabBar* Tabs() const { return tabs_; }
  void AddTab(const QString& text);

  /// Where a page stands: the control less 8 pixels left, right and bottom and 30 at the top
  /// (at 96 DPI), which leaves the tabs and the frame in the tab's own colour around the page.
  QRect PageRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QTabBar* tabs_;
};

}  // namespace kitbuilder::ui
