#pragma once
// The server service we ship (build/bin/server) on a free loopback port, and
// waiting on the event loop for a condition.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>

namespace korvanta::test {

// Runs the event loop until the condition holds or the time is up.
bool WaitFor(const std::function<bool()>& done, int ms = 5000);

class ServerProcess {
public:
    explicit ServerProcess(const QStringList& extraArgs = {});
    ~ServerProcess();
    // Reads what the server logged since the last call into `log`.
    const QString& ReadLog();
    QProcess process;
    QString port;
    QString log;
};

}  // namespace korvanta::test
