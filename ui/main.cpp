#include <QApplication>
#include <cstdio>
#include <optional>
#include <string>

#include "engine/output_files.h"
#include "engine/text_store.h"
#include "ui/display_check.h"
#include "ui/help_and_version.h"
#include "ui/kitbuilder_form.h"

int main(int argc, char** argv) {
  if (const std::optional<std::string> text = kitbuilder::ui::HelpOrVersionText(argc, argv)) {
    std::fputs(text->c_str(), stdout);
    return 0;
  }
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
