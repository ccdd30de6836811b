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

// Qt's own diagnostics, such as the note a headless start meets when XDG_RUNTIME_DIR is not
// set, are not lines of the command line, which says only its own (through PlainLog): they are
// not printed. A fatal one still says why the program ends.
void qtMessage(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg)
        std::fprintf(stderr, "ERROR: %s\n", message.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(qtMessage);
    const auto application = makeRenderApplication(argc, argv);
    // The application object has taken Qt's own options out of argv; the rest are kept as the
    // bytes they were given in.
    const std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
    PlainLog log;
    return runRender(arguments, log);
}
