#include <QApplication>
#include <cstdio>
#include <string>

#include "engine/output_files.h"
#include "engine/text_store.h"
#include "ui/display_check.h"
#include "ui/kitbuilder_form.h"

int main(int argc, char** argv) {
  const std::string noDisplay = kitbuilder::ui::MissingDisplayMessage();
  if (!noDisplay.empty()) {
    std::fprintf(stderr, "%s\n", noDisplay.c_str());
    return 1;
  }
  QApplication application(argc, argv);
  kitbuilder::DiskOutputFiles files;
  kitbuilder::ui::KitbuilderForm form(kitbuilder::EmbeddedStore(), files);
  form.exec();
  return 0;
}
