// How long composing main.c and a whole build take: `make bench`.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <string>

#include "engine/build_sequence.h"
#include "engine/main_program_composer.h"

namespace kitbuilder {
namespace {

void BM_ComposeMainProgram(benchmark::State& state) {
  const int32_t mode = static_cast<int32_t>(state.range(0));
  const GenerationSettings settings = DefaultSettings(mode);
  std::string document;
  for (auto _ : state) {
    ComposeMainDocument(EmbeddedStore(), settings.pins, settings.rfId, mode, settings.rf,
                        &document);
    benchmark::DoNotOptimize(document.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * document.size()));
}
BENCHMARK(BM_ComposeMainProgram)->ArgName("mode")->DenseRange(kModeTx, kModeRxAck);

void BM_WholeBuildToDisk(benchmark::State& state) {
  char pattern[] = "/tmp/kitbuilder-bench-XXXXXX";
  const std::string directory = std::string(mkdtemp(pattern)) + "/";
  const GenerationSettings settings = DefaultSettings(kModeTxAck);
  // The engine records the settings text as it is given; its content costs nothing to write.
  const std::string kRecordedSettings(600, '#');
  DiskOutputFiles disk;
  for (auto _ : state) {
    const BuildOutcome outcome =
        RunBuildSequence(EmbeddedStore(), disk, directory, settings, kRecordedSettings);
    if (!outcome.success) state.SkipWithError("the build failed");
  }
  std::system(("rm -rf '" + directory + "'").c_str());
}
BENCHMARK(BM_WholeBuildToDisk);

}  // namespace
}  // namespace kitbuilder
