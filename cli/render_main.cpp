// qorutil-render: the drawing behind `qorutil-cli render`, a program of its own so that only
// drawing loads Qt's Gui libraries and every conversion starts without them.
#include "cli/render.h"

#include <algorithm>
#include <cstdio>

namespace {

// Prints each line as it comes; the usage text spans several lines.
class PlainLog : public qorqt::LogSink {
public:
    void logText(const QString &text) override
    {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        std::fflush(stderr);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    const auto application = makeRenderApplication(argc, argv);
    // The application object has taken Qt's own options out of argv; the rest are kept as the
    // bytes they were given in.
    const std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
    PlainLog log;
    return runRender(arguments, log);
}
