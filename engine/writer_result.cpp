#include "engine/writer_result.h"

namespace kitbuilder {

WriterResult WriteWholeFile(OutputFiles& files, const std::string& path, std::string_view bytes) {
  const WriteOutcome outcome = files.Write(path, bytes);
  switch (outcome.status) {
    case WriteOutcome::Status::kWritten:
      return {};
    case WriteOutcome::Status::kNotOpened:
      return {-4, std::nullopt};
    case WriteOutcome::Status::kFailed:
      return {0, WriteError{path, outcome.systemError}};
  }
  return {-4, std::nullopt};
}

}  // namespace kitbuilder
