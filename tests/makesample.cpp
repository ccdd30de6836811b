// qorutil-sample FOLDER: writes the walking figure used by the tests (walker.reanim and an
// images folder) for the preview's screenshot and for trying the preview by hand.
#include "sample.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fputs("Usage: qorutil-sample FOLDER\n", stderr);
        return 2;
    }
    QDir().mkpath(QString::fromLocal8Bit(argv[1]));
    std::printf("%s\n", qPrintable(sample::writeWalker(QString::fromLocal8Bit(argv[1]))));
    return 0;
}
