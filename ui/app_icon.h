#pragma once
// The program's icon, compiled in from ui/kitbuilder.png.

#include <QIcon>

namespace kitbuilder::ui {

QIcon ApplicationIcon();

}  // namespace kitbuilder::ui
