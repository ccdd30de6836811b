// qorutil-render: the drawing behind `qorutil-cli render`, a program of its own so that only
// drawing loads Qt's Gui libraries and every conversion starts without them.
#include "cli/render.h"

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
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    PlainLog log;
    return runRender(arguments, log);
}
