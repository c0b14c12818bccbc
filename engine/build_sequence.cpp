#include "engine/build_sequence.h"

#include <cstdio>
#include <vector>

#include "engine/build_record.h"
#include "engine/generated_file_writer.h"
#include "engine/main_program_composer.h"
#include "engine/sdcc_dialect.h"

namespace kitbuilder {
namespace {

constexpr int32_t kTypeHeaderId = 160;
constexpr int32_t kRegisterHeaderId = 211;
constexpr int32_t kSdccMakefileId = 220;

WriterResult WriteFixedFile(const TextStore& store, OutputFiles& files, int32_t templateId,
                            const std::string& outputDirectory, const std::string& name,
                            std::string (*dialect)(std::string_view) = nullptr) {
  TemplateView view;
  if (const int32_t code = OpenTemplate(store, templateId, &view); code != 0) return {code, {}};
  std::string bytes = dialect != nullptr ? dialect(view.bytes) : std::string(view.bytes);
  return WriteGeneratedFile(files, outputDirectory, name, std::move(bytes));
}

std::string StatusText(const char* format, int32_t code) {
  char text[96];
  std::snprintf(text, sizeof text, format, static_cast<int>(code));
  return text;
}

// One step of the build: the file it writes, the status text it shows when it fails, and how it
// writes the file.
struct BuildStep {
  const char* fileName;
  const char* failureText;
  WriterResult (*run)(const TextStore&, OutputFiles&, const std::string&,
                      const GenerationSettings&);
};

const BuildStep kMainProgramStep = {
    "main.c", "Creat main.c had some error!! ERROR CODE=%d",
    [](const TextStore& store, OutputFiles& files, const std::string& directory,
       const GenerationSettings& settings) {
      return ComposeMainProgram(store, files, directory, settings.pins, settings.rfId,
                                settings.operatingMode, settings.rf, settings.compiler,
                                settings.mcuClock);
    }};

const BuildStep kTypeHeaderStep = {
    "define.h", "Creat define.h had some error!! ERROR CODE=%d",
    [](const TextStore& store, OutputFiles& files, const std::string& directory,
       const GenerationSettings& settings) {
      return WriteTypeHeader(store, files, directory, settings.compiler);
    }};

const BuildStep kRegisterHeaderStep = {
    "K3960reg.h", "Creat k3960reg.h had some error!! ERROR CODE=%d",
    [](const TextStore& store, OutputFiles& files, const std::string& directory,
       const GenerationSettings&) { return WriteRegisterHeader(store, files, directory); }};

const BuildStep kMakefileStep = {
    "Makefile", "Creat Makefile had some error!! ERROR CODE=%d",
    [](const TextStore& store, OutputFiles& files, const std::string& directory,
       const GenerationSettings&) { return WriteSdccMakefile(store, files, directory); }};

}  // namespace

WriterResult WriteTypeHeader(const TextStore& store, OutputFiles& files,
                             const std::string& outputDirectory, TargetCompiler compiler) {
  return WriteFixedFile(store, files, kTypeHeaderId, outputDirectory, "define.h",
                        compiler == TargetCompiler::kSdcc ? TypeHeaderForSdcc : nullptr);
}

WriterResult WriteRegisterHeader(const TextStore& store, OutputFiles& files,
                                 const std::string& outputDirectory) {
  return WriteFixedFile(store, files, kRegisterHeaderId, outputDirectory, "K3960reg.h");
}

WriterResult WriteSdccMakefile(const TextStore& store, OutputFiles& files,
                               const std::string& outputDirectory) {
  return WriteFixedFile(store, files, kSdccMakefileId, outputDirectory, "Makefile");
}

BuildOutcome RunBuildSequence(const TextStore& store, OutputFiles& files,
                              const std::string& outputDirectory,
                              const GenerationSettings& settings,
                              std::string_view settingsFileText) {
  std::vector<const BuildStep*> steps = {&kMainProgramStep, &kTypeHeaderStep, &kRegisterHeaderStep};
  if (settings.compiler == TargetCompiler::kSdcc) steps.push_back(&kMakefileStep);

  BuildOutcome outcome;
  // Checked before anything is written, so that a refused build leaves the directory as it was.
  for (const BuildStep* step : steps) {
    if (std::optional<std::string> refusal =
            UnresolvedConflictRefusal(files, outputDirectory, step->fileName)) {
      outcome.statusText = std::move(*refusal);
      return outcome;
    }
  }
  // From the first file it replaces on, the recorded settings no longer describe the directory.
  outcome.writeError = ForgetRecorded(files, outputDirectory, kRecordedSettingsName);
  if (outcome.writeError) return outcome;
  std::vector<GeneratedFile> generated;
  for (const BuildStep* step : steps) {
    WriterResult result = step->run(store, files, outputDirectory, settings);
    if (!result.notice.empty()) outcome.notices.push_back(result.notice);
    outcome.editsPending = outcome.editsPending || result.editsPending;
    outcome.writeError = std::move(result.writeError);
    if (outcome.writeError) return outcome;
    if (result.code != 0) {
      outcome.statusText = StatusText(step->failureText, result.code);
      return outcome;
    }
    generated.push_back(std::move(result.generated));
  }
  outcome.writeError = WriteBuildRecord(files, outputDirectory, generated, settingsFileText);
  if (outcome.writeError) return outcome;
  outcome.success = true;
  outcome.statusText = "All file creat success.";
  return outcome;
}

}  // namespace kitbuilder
