#include "engine/build_sequence.h"

#include <cstdio>

#include "engine/main_program_composer.h"

namespace kitbuilder {
namespace {

WriterResult WriteFixedFile(const TextStore& store, OutputFiles& files, int32_t templateId,
                            const std::string& path) {
  TemplateView view;
  if (const int32_t code = OpenTemplate(store, templateId, &view); code != 0) return {code, {}};
  return WriteWholeFile(files, path, view.bytes);
}

std::string StatusText(const char* format, int32_t code) {
  char text[96];
  std::snprintf(text, sizeof text, format, static_cast<int>(code));
  return text;
}

}  // namespace

WriterResult WriteTypeHeader(const TextStore& store, OutputFiles& files,
                             const std::string& outputDirectory) {
  return WriteFixedFile(store, files, 160, outputDirectory + "define.h");
}

WriterResult WriteRegisterHeader(const TextStore& store, OutputFiles& files,
                                 const std::string& outputDirectory) {
  return WriteFixedFile(store, files, 211, outputDirectory + "K3960reg.h");
}

BuildOutcome RunBuildSequence(const TextStore& store, OutputFiles& files,
                              const std::string& outputDirectory,
                              const GenerationSettings& settings) {
  struct Writer {
    const char* failureText;
    WriterResult (*run)(const TextStore&, OutputFiles&, const std::string&,
                        const GenerationSettings&);
  };
  static const Writer kWriters[] = {
      {"Creat main.c had some error!! ERROR CODE=%d",
       [](const TextStore& s, OutputFiles& f, const std::string& dir, const GenerationSettings& g) {
         return ComposeMainProgram(s, f, dir, g.pins, g.rfId, g.operatingMode, g.rf);
       }},
      {"Creat define.h had some error!! ERROR CODE=%d",
       [](const TextStore& s, OutputFiles& f, const std::string& dir, const GenerationSettings&) {
         return WriteTypeHeader(s, f, dir);
       }},
      {"Creat k3960reg.h had some error!! ERROR CODE=%d",
       [](const TextStore& s, OutputFiles& f, const std::string& dir, const GenerationSettings&) {
         return WriteRegisterHeader(s, f, dir);
       }},
  };

  bool keptBackup = false;
  for (const Writer& writer : kWriters) {
    const WriterResult result = writer.run(store, files, outputDirectory, settings);
    keptBackup = keptBackup || result.keptBackup;
    if (result.writeError) return {false, "", result.writeError, keptBackup};
    if (result.code != 0) {
      return {false, StatusText(writer.failureText, result.code), {}, keptBackup};
    }
  }
  return {true, "All file creat success.", {}, keptBackup};
}

}  // namespace kitbuilder
