// qorutil-manpage PROGRAM PAGE: writes the man page of one of QORUtil's programs to the file
// PAGE, from the same option table its --help is printed from (packaging/ installs the pages).
#include "cli/programs.h"

#include <cstdio>
#include <fstream>
#include <string_view>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fputs("Usage: qorutil-manpage PROGRAM PAGE\n", stderr);
        return 2;
    }
    const std::string_view name = argv[1];
    for (const opts::Program *program : cli::programs()) {
        if (program->name != name)
            continue;
        std::ofstream page(argv[2], std::ios::binary | std::ios::trunc);
        page << opts::manPage(*program, QORUTIL_VERSION);
        page.close();
        if (!page) {
            std::fprintf(stderr, "qorutil-manpage: could not write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "qorutil-manpage: no program %s\n", argv[1]);
    return 2;
}
