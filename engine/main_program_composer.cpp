#include "engine/main_program_composer.h"

#include <cstdio>
#include <string>
#include <vector>

#include "engine/delay_routines.h"
#include "engine/generated_file_writer.h"
#include "engine/sdcc_dialect.h"

namespace kitbuilder {
namespace {

constexpr int32_t kSkeletonId = 161;

std::string PinLine(const char* format, int32_t port, int32_t pin) {
  char line[128];
  std::snprintf(line, sizeof line, format, static_cast<int>(port), static_cast<int>(pin));
  return line;
}

std::string Decimal(int32_t value) {
  return std::to_string(value);
}

std::string Fragments(const TextStore& store, const std::vector<int32_t>& ids) {
  std::string value;
  for (int32_t id : ids) value += LoadFragment(store, id);
  return value;
}

std::string PinLines(const PinAssignment& pins) {
  std::string lines = PinLine("sbit SCS    = P%d^%d;\r\n", pins.scsPort, pins.scsPin) +
                      PinLine("sbit SCK    = P%d^%d;\r\n", pins.sckPort, pins.sckPin) +
                      PinLine("sbit SDIO   = P%d^%d;\r\n", pins.sdioPort, pins.sdioPin) +
                      PinLine("sbit GIO1   = P%d^%d;\r\n", pins.gio1Port, pins.gio1Pin) +
                      PinLine("sbit GIO2   = P%d^%d;\r\n", pins.gio2Port, pins.gio2Pin);
  lines += pins.wtrLine == 0 ? "#define RF_WTR  GIO1\r\n" : "#define RF_WTR  GIO2\r\n";
  if (pins.spiMode == 1) {
    lines += pins.wtrLine == 0 ? "#define SDO     GIO2\r\n" : "#define SDO     GIO1\r\n";
  }
  return lines;
}

int32_t GpioSettingFragment(const PinAssignment& pins) {
  if (pins.spiMode == 0) return 188;
  return pins.wtrLine == 0 ? 189 : 190;
}

int32_t GlobalVariableFragment(int32_t operatingMode) {
  switch (operatingMode) {
    case kModeRx:
      return 181;
    case kModeTxAck:
      return 194;
    case kModeRxAck:
      return 185;
    default:
      return 191;
  }
}

std::string RfIdList(const RfId& rfId) {
  return rfId[0] + ", " + rfId[1] + ", " + rfId[2] + ", " + rfId[3];
}

int32_t TxPowerFragment(int32_t index) {
  static const int32_t kIds[] = {198, 199, 200, 201, 202};
  return index >= 0 && index < 5 ? kIds[index] : kIds[0];
}

// One replacement step: the placeholder and the text that fills it.
struct Step {
  const char* key;
  std::string value;
};

// The per-mode block, its rows in the order they run. The number and [[RESERVED]] steps come
// after [[PRE_SET_BEFORE_LOOP]] and [[RF_PROCESS]] because the fragments of those two carry them.
std::vector<Step> ModeSteps(const TextStore& store, const PinAssignment& pins,
                            int32_t operatingMode, const RfParameters& rf) {
  const int32_t byteRead = pins.spiMode == 0 ? 176 : 177;
  auto rest = [](int32_t restState, int32_t sleep, int32_t standby) {
    return restState == 0 ? sleep : standby;
  };
  switch (operatingMode) {
    case kModeRx:
      return {{"[[OTHERS_FUNCTION_DEFINE]]", Fragments(store, {178, 166})},
              {"[[OTHERS_FUNCTION]]", Fragments(store, {byteRead, 167})},
              {"[[PRE_SET_BEFORE_LOOP]]", Fragments(store, {171})},
              {"[[RF_PROCESS]]", Fragments(store, {rest(rf.modeValue2, 182, 183)})},
              {"[[RX_LENGTH]]", Decimal(rf.modeValue1)},
              {"[[DELAY_TIME]]", Decimal(rf.modeValue3)},
              {"[[RESERVED]]", ""}};
    case kModeTxAck:
      return {{"[[OTHERS_FUNCTION_DEFINE]]", Fragments(store, {203, 178, 166, 168})},
              {"[[OTHERS_FUNCTION]]", Fragments(store, {204, byteRead, 167, 169})},
              {"[[PRE_SET_BEFORE_LOOP]]", Fragments(store, {175})},
              {"[[RF_PROCESS]]", Fragments(store, {rest(rf.modeValue3, 195, 197)})},
              {"[[TX_LENGTH]]", Decimal(rf.modeValue1)},
              {"[[ACK_LENGTH]]", Decimal(rf.modeValue2)},
              {"[[DELAY_TIME]]", Decimal(rf.modeValue4)},
              {"[[WAIT_TIME]]", Decimal(rf.modeValue5)},
              {"[[RESERVED]]", ""}};
    case kModeRxAck:
      return {{"[[OTHERS_FUNCTION_DEFINE]]", Fragments(store, {203, 178, 166})},
              {"[[OTHERS_FUNCTION]]", Fragments(store, {204, byteRead, 167})},
              {"[[PRE_SET_BEFORE_LOOP]]", Fragments(store, {172})},
              {"[[RF_PROCESS]]", Fragments(store, {rest(rf.modeValue3, 186, 187)})},
              {"[[RX_LENGTH]]", Decimal(rf.modeValue1)},
              {"[[ACK_LENGTH]]", Decimal(rf.modeValue2)},
              {"[[DELAY_TIME]]", Decimal(rf.modeValue4)},
              {"[[RESERVED]]", ""}};
    default:
      return {{"[[OTHERS_FUNCTION_DEFINE]]", Fragments(store, {203, 166})},
              {"[[OTHERS_FUNCTION]]", Fragments(store, {204, 167})},
              {"[[PRE_SET_BEFORE_LOOP]]", Fragments(store, {173})},
              {"[[RF_PROCESS]]", Fragments(store, {rest(rf.modeValue2, 192, 193)})},
              {"[[TX_LENGTH]]", Decimal(rf.modeValue1)},
              {"[[DELAY_TIME]]", Decimal(rf.modeValue3)},
              {"[[RESERVED]]", ""}};
  }
}

}  // namespace

void ReplaceAll(std::string* document, std::string_view key, std::string_view value) {
  if (key.empty()) return;
  std::string result;
  std::size_t from = 0;
  for (std::size_t at = document->find(key); at != std::string::npos;
       at = document->find(key, from)) {
    result.append(*document, from, at - from);
    result.append(value);
    from = at + key.size();
  }
  if (from == 0) return;
  result.append(*document, from, std::string::npos);
  document->swap(result);
}

int32_t ComposeMainDocument(const TextStore& store, const PinAssignment& pins, const RfId& rfId,
                            int32_t operatingMode, const RfParameters& rf, std::string* document) {
  TemplateView skeleton;
  if (const int32_t code = OpenTemplate(store, kSkeletonId, &skeleton); code != 0) return code;

  // A template is read up to its terminating zero byte.
  std::string text(skeleton.bytes.substr(0, skeleton.bytes.find('\0')));
  std::vector<Step> steps = {
      {"[[PIN_DEFINE]]", PinLines(pins)},
      {"[[GPIO_SETTING]]", LoadFragment(store, GpioSettingFragment(pins))},
      {"[[GLOBAL_VARIABLE_DEFINE]]", LoadFragment(store, GlobalVariableFragment(operatingMode))},
      {"[[RF_ID_VALUE]]", RfIdList(rfId)},
      {"[[CHANGE_TXPOWER]]", LoadFragment(store, TxPowerFragment(rf.txPowerIndex))},
      {"[[CHANGE_DATARATE]]", LoadFragment(store, rf.dataRateIndex == 0 ? 213 : 212)},
      {"[[SET_RADIO_CHANNEL]]",
       "    K3960_WriteReg( PLL1_REG, " + Decimal(rf.channel) + " );        // set radio channel"},
      {"[[RF_READ]]", LoadFragment(store, pins.spiMode == 0 ? 179 : 180)},
  };
  for (Step& step : ModeSteps(store, pins, operatingMode, rf)) steps.push_back(std::move(step));
  for (const Step& step : steps) ReplaceAll(&text, step.key, step.value);

  document->swap(text);
  return 0;
}

WriterResult ComposeMainProgram(const TextStore& store, OutputFiles& files,
                                const std::string& outputDirectory, const PinAssignment& pins,
                                const RfId& rfId, int32_t operatingMode, const RfParameters& rf,
                                TargetCompiler compiler, const std::optional<McuClock>& clock) {
  std::string document;
  if (const int32_t code = ComposeMainDocument(store, pins, rfId, operatingMode, rf, &document);
      code != 0) {
    return {code, std::nullopt};
  }
  if (compiler == TargetCompiler::kSdcc) {
    document = MainProgramForSdcc(document);
    if (clock) document = WithDelaysFor(document, *clock);
  }
  return WriteGeneratedFile(files, outputDirectory, "main.c", std::move(document));
}

}  // namespace kitbuilder
