#pragma once

#include "cli/optiontable.h"

#include <vector>

namespace cli {

// A window program's command line: --help and --version, and at most `mostFiles` files.
struct WindowProgram {
    opts::Program described{};
    size_t mostFiles = 0;
    std::string_view refusedFiles{}; // what a usage error says when given more files
};

// qorutil: the converter's window.
const WindowProgram &converterWindow();
// qorutil-preview [FILE]: the preview window.
const WindowProgram &previewWindow();

// Every program that has a man page, in the order README lists them.
std::vector<const opts::Program *> programs();

} // namespace cli
