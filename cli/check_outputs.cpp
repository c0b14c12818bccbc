#include "cli/check_outputs.h"

#include "cli/exit_status.h"

namespace kitbuilder::cli {

std::optional<int> NotRunStatus(CheckStart start, const std::string& message, std::ostream& err) {
  switch (start) {
    case CheckStart::kRan:
      return std::nullopt;
    case CheckStart::kToolsMissing:
      err << "kitbuilder-cli: " << message << '\n';
      return kExitCheckCannotRun;
    case CheckStart::kCannotRun:
      err << "kitbuilder-cli: " << message << '\n';
      return kExitUsage;
    case CheckStart::kBuildFailed:
      err << "kitbuilder-cli: " << message;
      return kExitBuildFailed;
  }
  return std::nullopt;
}

bool OpenTrace(const CheckOptions& options, std::ofstream* trace, std::ostream& err) {
  if (!options.traceFile) return true;
  trace->open(*options.traceFile, std::ios::binary);
  if (*trace) return true;
  err << "kitbuilder-cli: cannot write the trace " << *options.traceFile
      << "; name a file in a writable directory\n";
  return false;
}

int FinishOutputs(const CheckOptions& options, std::ofstream& trace,
                  const std::function<void(std::ostream&)>& write, int status, std::ostream& err) {
  if (options.reportFile) {
    std::ofstream report(*options.reportFile, std::ios::binary);
    write(report);
    if (!report) {
      err << "kitbuilder-cli: cannot write the report " << *options.reportFile << '\n';
      return kExitUsage;
    }
  }
  if (trace.is_open() && !trace.flush()) {
    err << "kitbuilder-cli: the trace " << *options.traceFile << " could not be written whole\n";
  }
  return status;
}

}  // namespace kitbuilder::cli
