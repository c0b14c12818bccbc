#pragma once
// Turns one set of generation settings into the text of main.c by filling the skeleton's
// placeholders, step by step, with fragments and formatted lines.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/generation_settings.h"
#include "engine/output_files.h"
#include "engine/text_store.h"
#include "engine/writer_result.h"

namespace kitbuilder {

/// Replaces every occurrence of `key` in `document` by `value`, scanning from the start and
/// continuing behind each match, so matches never overlap and inserted text is not searched
/// again. A key that does not occur leaves the document unchanged.
///
///   ReplaceAll(&doc, "[[RESERVED]]", "")  // "a [[RESERVED]] b" -> "a  b"
void ReplaceAll(std::string* document, std::string_view key, std::string_view value);

/// Composes main.c into `document`. Returns 0, or the skeleton's OpenTemplate code
/// (-1, -2, -3) with `document` untouched.
int32_t ComposeMainDocument(const TextStore& store, const PinAssignment& pins, const RfId& rfId,
                            int32_t operatingMode, const RfParameters& rf, std::string* document);

/// Composes main.c and writes it as outputDirectory + "main.c", keeping the user's edits as
/// WriteGeneratedFile does. `outputDirectory` ends in '/'. In SDCC's dialect with a `clock`,
/// the delay routines are those computed for it.
WriterResult ComposeMainProgram(const TextStore& store, OutputFiles& files,
                                const std::string& outputDirectory, const PinAssignment& pins,
                                const RfId& rfId, int32_t operatingMode, const RfParameters& rf,
                                TargetCompiler compiler,
                                const std::optional<McuClock>& clock = std::nullopt);

}  // namespace kitbuilder
