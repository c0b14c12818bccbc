#include "ui/app_icon.h"

#include <QtGlobal>

// Resources of a static library are only registered when something asks for them by name.
static void RegisterIconResource() {
  Q_INIT_RESOURCE(kitbuilder);
}

namespace kitbuilder::ui {

QIcon ApplicationIcon() {
  static const bool registered = (RegisterIconResource(), true);
  Q_UNUSED(registered);
  return QIcon(QStringLiteral(":/kitbuilder.png"));
}

}  // namespace kitbuilder::ui
