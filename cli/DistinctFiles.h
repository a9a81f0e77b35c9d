// A command must not write one of its files over another: two outputs that
// are one file would leave only the second, and an output over an input
// would replace, say, the carrier with the sound taken out of it.
#pragma once

#include <string>

#include "cli/Arguments.h"

namespace korimo::cli {

// Throws UsageError when two outputs of the command, or an output and one of
// its inputs, are the same file. Nothing is read or written.
void RequireDistinctFiles(const Arguments& args);

}  // namespace korimo::cli
