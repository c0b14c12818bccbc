#pragma once
// The program's icon, at each size rendered from ui/org.kitbuilder.Kitbuilder.svg.

#include <QIcon>

namespace kitbuilder::ui {

QIcon ApplicationIcon();

}  // namespace kitbuilder::ui
