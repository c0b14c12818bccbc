#include "cli/check_options.h"

#include <CLI/CLI.hpp>

namespace kitbuilder::cli {

void DefineCheckOptions(CLI::App* app, CheckOptions* options) {
  app->add_flag("--check", options->check,
                "build the firmware with SDCC in a temporary directory, run it on the virtual "
                "board (s51 and a model of the radio) and report whether it does what the "
                "settings say; writes no firmware file");
  app->add_option("--passes", options->passes, "loop passes the check runs; default 3")
      ->check(CLI::Range(1, 50))
      ->type_name("N");
  app->add_option("--firmware", options->firmwareFile,
                  "with --check: check this main.c (either compiler's dialect) instead of the "
                  "generated one, on the board the settings describe")
      ->type_name("FILE");
  app->add_option("--trace", options->traceFile,
                  "with --check: write SCS, SCK, SDIO, GIO1 and GIO2 as a Value Change Dump")
      ->type_name("FILE.vcd");
  app->add_option("--report", options->reportFile,
                  "with --check or --check-capture: write the report as JSON")
      ->type_name("FILE.json");
  app->add_option("--peer", options->peerFile,
                  "with --check: check the link with the other board, whose settings this file "
                  "holds; both firmwares run at once on one air")
      ->type_name("PEER.toml");
  app->add_option("--peer-firmware", options->peerFirmwareFile,
                  "with --peer: run this main.c on the other board instead of the generated one")
      ->type_name("FILE");
  app->add_option("--check-capture", options->captureFile,
                  "read FILE, a logic analyzer's capture of the board's radio lines (a sigrok "
                  "session .sr, or VCD, CSV or another format libsigrok reads), and report "
                  "whether the board does what its settings say, as --check does for the "
                  "virtual board; writes no firmware file")
      ->type_name("FILE");
  app->add_option("--channels", options->channels,
                  "with --check-capture: the capture's channel for each radio line, as "
                  "SCS=D0,SCK=D1,SDIO=D2,GIO1=D3,GIO2=D4; default the channels named like the "
                  "lines")
      ->type_name("MAP");
}

std::string CheckOptionsRefusal(const CheckOptions& options) {
  if (options.peerFirmwareFile && !options.peerFile) return "--peer-firmware needs --peer";
  if (options.channels && !options.captureFile) return "--channels needs --check-capture";
  if (options.captureFile && options.check)
    return "--check-capture is a check of its own: give it without --check";
  if (options.check) return "";
  if (options.peerFile) return "--peer needs --check";
  if (options.firmwareFile) return "--firmware needs --check";
  if (options.traceFile) return "--trace needs --check";
  if (options.reportFile && !options.captureFile)
    return "--report needs --check or --check-capture";
  return "";
}

}  // namespace kitbuilder::cli
