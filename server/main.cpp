// The server service:
//   server [--port N] [--listen ADDRESS] [--protocol N] [--fixed-time yyyy-MM-ddTHH:mm:ss]
// Stops cleanly on SIGTERM and SIGINT.
#include "ServerService.h"

#include "db/ExceptionPos.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

using namespace korvanta;

namespace {

int g_signalPipe[2];

void OnSignal(int)
{
    const char c = 1;
    [[maybe_unused]] auto n = ::write(g_signalPipe[1], &c, 1);
}

int Usage()
{
    std::fputs("Использование: server [--port N] [--listen ADDRESS] [--protocol N] "
               "[--fixed-time yyyy-MM-ddTHH:mm:ss]\n",
               stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ServerOptions options;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        if (i + 1 >= args.size())
            return Usage();
        const QString v = args[++i];
        bool ok = true;
        if (a == u"--port")
            options.port = v.toUShort(&ok);
        else if (a == u"--listen")
            ok = options.listen.setAddress(v);
        else if (a == u"--protocol")
            options.protocol = v.toInt(&ok);
        else if (a == u"--fixed-time")
            ok = (options.fixedTime = QDateTime::fromString(v, Qt::ISODate)).isValid();
        else
            return Usage();
        if (!ok)
            return Usage();
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return 1;
    QSocketNotifier notifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        char c;
        [[maybe_unused]] auto n = ::read(g_signalPipe[0], &c, 1);
        app.quit();
    });
    struct sigaction sa = {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);

    ServerService service(options);
    try {
        service.Start();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    const int rc = app.exec();
    service.Log(QStringLiteral("Сервер остановлен."));
    return rc;
}
