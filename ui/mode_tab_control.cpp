#include "ui/mode_tab_control.h"

#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>

namespace kitbuilder::ui {

ModeTabControl::ModeTabControl(QWidget* parent) : QWidget(parent), tabs_(new QTabBar(this)) {
  tabs_->setDrawBase(false);
  tabs_->setExpanding(false);
  tabs_->move(2, 0);
}

void ModeTabControl::AddTab(const QString& text) {
  tabs_->addTab(text);
  tabs_->resize(tabs_->sizeHint());
}

QRect ModeTabControl::PageRect() const {
  return rect().adjusted(8, 30, -8, -8);
}

void ModeTabControl::paintEvent(QPaintEvent* /*event*/) {
  QStylePainter painter(this);
  QStyleOptionTabWidgetFrame frame;
  frame.initFrom(this);
  frame.shape = QTabBar::RoundedNorth;
  const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
  frame.rect = rect().adjusted(0, tabs_->sizeHint().height() - overlap, 0, 0);
  frame.tabBarSize = tabs_->sizeHint();
  frame.tabBarRect = QRect(tabs_->pos(), tabs_->sizeHint());
  painter.drawPrimitive(QStyle::PE_FrameTabWidget, frame);
}

}  // namespace kitbuilder::ui
