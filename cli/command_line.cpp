#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <initializer_list>
#include <optional>
#include <string>
#include <variant>

#include "engine/generation_settings.h"

namespace kitbuilder::cli {
namespace {

/// "8 in tx, 8 in rx, 9 in tx-ack, 9 in rx-ack", from the window's mode page defaults.
template <typename Field>
std::string DefaultsByMode(Field field, std::initializer_list<int32_t> modes) {
  std::string text;
  for (int32_t mode : modes) {
    if (!text.empty()) text += ", ";
    text +=
        std::to_string(DefaultModeValues(mode).*field) + " in " + std::string(ModeOptionText(mode));
  }
  return text;
}

void AddText(CLI::App* app, const std::string& names, std::string* text, const std::string& value,
             const std::string& meaning) {
  app->add_option(names, *text, meaning + "; allowed: " + value + "; default " + *text)
      ->type_name("VALUE");
}

void AddModeValue(CLI::App* app, const std::string& name, std::optional<std::string>* text,
                  const std::string& meaning) {
  app->add_option_function<std::string>(
         name, [text](const std::string& given) { *text = given; }, meaning)
      ->type_name("N");
}

}  // namespace

void DefineOptions(CLI::App* app, OptionTexts* texts) {
  const std::string pinRange = "P<port>.<bit>, port 0..3, bit 0..7";
  app->add_option_function<std::string>(
         "-o,--output", [texts](const std::string& given) { texts->output = given; },
         "directory for main.c, define.h and K3960reg.h; default the current directory")
      ->type_name("DIR");
  app->add_flag("--stdout", texts->toStdout,
                "print the composed main.c to standard output and write no file; default off");
  AddText(app, "-m,--mode", &texts->mode, "tx, rx, tx-ack, rx-ack", "operating mode");
  AddText(app, "--channel", &texts->channel, "0..166", "radio channel, 2400 MHz + 0.5 MHz each");
  AddText(app, "--data-rate", &texts->dataRate, "2M, 1M", "air data rate in bps");
  AddText(app, "--tx-power", &texts->txPower, "0, -4, -6, -8, -12", "transmit power in dBm");
  AddText(app, "--crystal", &texts->crystal, "16MHz", "radio crystal");
  AddText(app, "--rf-id", &texts->rfId, "four hex bytes of 1 or 2 digits, the first fixed at 54",
          "RF ID");
  AddText(app, "--scs", &texts->scs, pinRange, "pin of the chip select line SCS");
  AddText(app, "--sck", &texts->sck, pinRange, "pin of the serial clock SCK");
  AddText(app, "--sdio", &texts->sdio, pinRange, "pin of the serial data line SDIO");
  AddText(app, "--gio1", &texts->gio1, pinRange, "pin of the radio line GIO1");
  AddText(app, "--gio2", &texts->gio2, pinRange, "pin of the radio line GIO2");
  AddText(app, "--wtr", &texts->wtr, "GIO1, GIO2", "radio line that carries WTR");
  AddText(app, "--wiring", &texts->wiring, "3, 4",
          "serial wiring, 3 or 4 wires (with 4 the GIO line that is not WTR is SDO)");
  AddModeValue(app, "--length", &texts->length,
               "bytes per packet: TX length in tx and tx-ack, RX length in rx and rx-ack; "
               "allowed: 1..64; default " +
                   DefaultsByMode(&ModeValues::length, {kModeTx, kModeRx, kModeTxAck, kModeRxAck}));
  AddModeValue(app, "--ack-length", &texts->ackLength,
               "bytes of the acknowledgement, tx-ack and rx-ack only; allowed: 1..64; default " +
                   DefaultsByMode(&ModeValues::ackLength, {kModeTxAck, kModeRxAck}));
  AddModeValue(
      app, "--delay", &texts->delay,
      "delay per loop cycle in ms; allowed: 0..255; default " +
          DefaultsByMode(&ModeValues::delayMs, {kModeTx, kModeRx, kModeTxAck, kModeRxAck}));
  AddModeValue(app, "--wait", &texts->wait,
               "wait for the acknowledgement in units of 100 us, tx-ack only; allowed: 0..255; "
               "default " +
                   DefaultsByMode(&ModeValues::wait100us, {kModeTxAck}));
  AddText(app, "--rest", &texts->rest, "sleep, standby",
          "state the radio rests in during the delay");
}

CommandLineOutcome ReadCommandLine(int argc, const char* const* argv) {
  CLI::App app(
      "Writes the K3960 sample firmware main.c, define.h and K3960reg.h for one set of "
      "settings. Values are matched without regard to case.",
      "kitbuilder-cli");
  app.get_formatter()->column_width(26);
  OptionTexts texts;
  DefineOptions(&app, &texts);
  CommandLineOutcome outcome;
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    outcome.action = CommandLineOutcome::Action::kShowHelp;
    outcome.text = app.help();
    return outcome;
  } catch (const CLI::Error& error) {
    outcome.text = std::string(error.what()) + " (see --help)";
    return outcome;
  }
  std::variant<BuildRequest, Refusal> interpreted = InterpretOptions(texts);
  if (const Refusal* refusal = std::get_if<Refusal>(&interpreted)) {
    outcome.text = refusal->message;
    return outcome;
  }
  outcome.action = CommandLineOutcome::Action::kBuild;
  outcome.request = std::get<BuildRequest>(std::move(interpreted));
  return outcome;
}

}  // namespace kitbuilder::cli
