// The Linux program's command line: --help and --version, and the check that every argument Qt
// left is one of the program's own options.
#pragma once

namespace velkar {

// With --help or --version among the options, prints the usage or the version to the standard
// output and returns 0 (the program then ends); otherwise returns -1. Needs no display, so it
// runs before Qt connects to one.
int PrintInformationOption(int argc, const char* const* argv);

// Called once Qt has taken its own options (-platform, -display, ...) out of argv: the first
// argument that is not one of the program's options (or an option's value), or nullptr.
const char* UnknownArgument(int argc, const char* const* argv);

} // namespace velkar
