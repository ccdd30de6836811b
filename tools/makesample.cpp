// qorutil-sample FOLDER: writes the walking figure used by the tests (walker.reanim and an
// images folder) and the parade that attaches it (parade.reanim), for the preview's
// screenshot, the README's animation and for trying the preview by hand.
#include "sample.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fputs("Usage: qorutil-sample FOLDER\n", stderr);
        return 2;
    }
    QDir().mkpath(QString::fromLocal8Bit(argv[1]));
    std::printf("%s\n", qPrintable(sample::writeParade(QString::fromLocal8Bit(argv[1]))));
    return 0;
}
