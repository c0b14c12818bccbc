#include "engine/build_sequence.h"

#include <cstdio>
#include <vector>

#include "engine/main_program_composer.h"
#include "engine/sdcc_dialect.h"

namespace kitbuilder {
namespace {

constexpr int32_t kTypeHeaderId = 160;
constexpr int32_t kRegisterHeaderId = 211;
constexpr int32_t kSdccMakefileId = 220;

WriterResult WriteFixedFile(const TextStore& store, OutputFiles& files, int32_t templateId,
                            const std::string& path,
                            std::string (*dialect)(std::string_view) = nullptr) {
  TemplateView view;
  if (const int32_t code = OpenTemplate(store, templateId, &view); code != 0) return {code, {}};
  if (dialect != nullptr) return WriteWholeFile(files, path, dialect(view.bytes));
  return WriteWholeFile(files, path, view.bytes);
}

std::string StatusText(const char* format, int32_t code) {
  char text[96];
  std::snprintf(text, sizeof text, format, static_cast<int>(code));
  return text;
}

// One step of the build: the status text it shows when it fails, and what it writes.
struct BuildStep {
  const char* failureText;
  WriterResult (*run)(const TextStore&, OutputFiles&, const std::string&,
                      const GenerationSettings&);
};

const BuildStep kMainProgramStep = {
    "Creat main.c had some error!! ERROR CODE=%d",
    [](const TextStore& store, OutputFiles& files, const std::string& directory,
       const GenerationSettings& settings) {
      return ComposeMainProgram(store, files, directory, settings.pins, settings.rfId,
                                settings.operatingMode, settings.rf, settings.compiler);
    }};

const BuildStep kTypeHeaderStep = {
    "Creat define.h had some error!! ERROR CODE=%d",
    [](const TextStore& store, OutputFiles& files, const std::string& directory,
       const GenerationSettings& settings) {
      return WriteTypeHeader(store, files, directory, settings.compiler);
    }};

const BuildStep kRegisterHeaderStep = {
    "Creat k3960reg.h had some error!! ERROR CODE=%d",
    [](const TextStore& store, OutputFiles& files, const std::string& directory,
       const GenerationSettings&) { return WriteRegisterHeader(store, files, directory); }};

const BuildStep kMakefileStep = {
    "Creat Makefile had some error!! ERROR CODE=%d",
    [](const TextStore& store, OutputFiles& files, const std::string& directory,
       const GenerationSettings&) { return WriteSdccMakefile(store, files, directory); }};

}  // namespace

WriterResult WriteTypeHeader(const TextStore& store, OutputFiles& files,
                             const std::string& outputDirectory, TargetCompiler compiler) {
  return WriteFixedFile(store, files, kTypeHeaderId, outputDirectory + "define.h",
                        compiler == TargetCompiler::kSdcc ? TypeHeaderForSdcc : nullptr);
}

WriterResult WriteRegisterHeader(const TextStore& store, OutputFiles& files,
                                 const std::string& outputDirectory) {
  return WriteFixedFile(store, files, kRegisterHeaderId, outputDirectory + "K3960reg.h");
}

WriterResult WriteSdccMakefile(const TextStore& store, OutputFiles& files,
                               const std::string& outputDirectory) {
  return WriteFixedFile(store, files, kSdccMakefileId, outputDirectory + "Makefile");
}

BuildOutcome RunBuildSequence(const TextStore& store, OutputFiles& files,
                              const std::string& outputDirectory,
                              const GenerationSettings& settings) {
  std::vector<const BuildStep*> steps = {&kMainProgramStep, &kTypeHeaderStep, &kRegisterHeaderStep};
  if (settings.compiler == TargetCompiler::kSdcc) steps.push_back(&kMakefileStep);

  bool keptBackup = false;
  for (const BuildStep* step : steps) {
    const WriterResult result = step->run(store, files, outputDirectory, settings);
    keptBackup = keptBackup || result.keptBackup;
    if (result.writeError) return {false, "", result.writeError, keptBackup};
    if (result.code != 0) {
      return {false, StatusText(step->failureText, result.code), {}, keptBackup};
    }
  }
  return {true, "All file creat success.", {}, keptBackup};
}

}  // namespace kitbuilder
