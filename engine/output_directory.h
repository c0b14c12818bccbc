#pragma once
// The output directory string: an absolute directory path that always ends in one '/', so that
// file names can be appended to it directly.

#include <string>

namespace kitbuilder {

/// Appends one '/' and then replaces every "//" by "/" in one left-to-right pass over
/// non-overlapping pairs: "/home/a" -> "/home/a/", "/" -> "/", "/a///" -> "/a//".
std::string NormalizeOutputDirectory(const std::string& path);

/// The process's current directory, normalised; empty if it cannot be read.
std::string CurrentOutputDirectory();

}  // namespace kitbuilder
