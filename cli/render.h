#pragma once

#include "qt/qtcore.h"

#include <QCoreApplication>

#include <memory>
#include <string>
#include <vector>

// The application object the render subcommand needs: a QGuiApplication, since text is drawn
// with fonts, on the offscreen platform when there is no display, so that it runs headless.
std::unique_ptr<QCoreApplication> makeRenderApplication(int &argc, char **argv);

// `qorutil-cli render`: draws one frame, a clip's sprite sheet or a clip as an animation of an
// animation file. `arguments` are those after the word "render", as the bytes they were given
// in (cli/renderoptions reads them). Returns 0 when written, 1 when the file could not be read
// or drawn or the picture not written, 2 on a usage error.
int runRender(const std::vector<std::string> &arguments, qorqt::LogSink &log);
