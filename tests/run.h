#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

// A program run to its end: its exit status (-1 when it crashed or did not end within a
// minute) and what it wrote. `prepare` sets the process up before it starts.
struct Run {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

inline Run runProgram(const QString &program, const QStringList &arguments,
                      const std::function<void(QProcess &)> &prepare = {})
{
    QProcess process;
    if (prepare)
        prepare(process);
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            QString::fromLocal8Bit(process.readAllStandardError())};
}
