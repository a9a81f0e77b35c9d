// The two ways korimo-cli takes a password that other users cannot read in the
// process list: from a file (or standard input), and from the terminal with
// echo off. Both end up in Arguments::password before a command runs, so the
// commands and their rules (the 8-byte limit, exit 3 for a wrong password)
// see one password whichever way it came.
#pragma once

#include "cli/Arguments.h"

namespace korimo::cli {

// Fills args.password from --password-file or --ask-password; does nothing
// for a command line without them. Returns false, with one line on stderr,
// when no password could be read.
bool ResolvePassword(Arguments& args);

}  // namespace korimo::cli
