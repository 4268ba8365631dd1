#include "ServerProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>

namespace korvanta::test {

bool WaitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

ServerProcess::ServerProcess(const QStringList& extraArgs)
{
    process.setProgram(QStringLiteral(KORVANTA_BIN_DIR "/server"));
    process.setArguments(QStringList{"--listen", "127.0.0.1", "--port", "0"} + extraArgs);
    process.start();
    // The server logs "... слушает 127.0.0.1:PORT, протокол N." once it listens.
    static const QRegularExpression re(QStringLiteral(":(\\d+), протокол"));
    WaitFor([&] {
        if (auto m = re.match(ReadLog()); m.hasMatch())
            port = m.captured(1);
        return !port.isEmpty();
    });
}

ServerProcess::~ServerProcess()
{
    process.terminate();
    process.waitForFinished(5000);
}

const QString& ServerProcess::ReadLog()
{
    log += QString::fromUtf8(process.readAllStandardError());
    return log;
}

}  // namespace korvanta::test
