// Time from process start to the logged-in main window, on a new demo
// database and on a catalogue of 500 objects, next to the catalogue load
// alone. The program measures a child copy of itself, started with --child.
#include "support/BenchSupport.h"

#include "catalogue/TObj.h"
#include "db/TDB.h"
#include "net/TCliCon.h"
#include "ui/app/MainForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>

using namespace korvanta;

namespace {

// The child: a main window that logs in as admin and reports when it is done.
int Child(int argc, char** argv, const QString& ini)
{
    QApplication app(argc, argv);
    TMainForm form(std::make_unique<TCliCon>());
    form.db().IniPath = ini;
    form.LoginPrompt = [](QString& login, QString& password, int) {
        login = QStringLiteral("admin");
        password.clear();
        return true;
    };
    form.show();
    QElapsedTimer t;
    t.start();
    while (!form.Inited() && t.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::printf("READY\n");
    std::fflush(stdout);
    form.close();
    return form.Inited() ? 0 : 1;
}

double StartupMs(const QString& ini)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    QElapsedTimer t;
    t.start();
    child.start(QCoreApplication::applicationFilePath(), {"--child", ini});
    while (!child.readAllStandardOutput().contains("READY") && child.state() != QProcess::NotRunning)
        child.waitForReadyRead(100);
    const double ms = t.nsecsElapsed() / 1e6;
    child.waitForFinished(10000);
    return ms;
}

double CatalogueLoadMs(const FbConnectParams& p)
{
    TDB db;
    db.SetConnectParams(p);
    db.Connect();
    TObjList list(db);
    QElapsedTimer t;
    t.start();
    list.Load();
    return t.nsecsElapsed() / 1e6;
}

QString WriteIni(const QTemporaryDir& dir, const QString& name, const QString& port, const QString& database)
{
    const QString path = dir.path() + u'/' + name + QStringLiteral(".ini");
    QSettings ini(path, QSettings::IniFormat);
    ini.setValue("Info/ServerAddr", "127.0.0.1");
    ini.setValue("Info/ServerPort", port);
    ini.setValue("Info/Database", database);
    ini.sync();
    return path;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && QByteArray(argv[1]) == "--child")
        return Child(argc, argv, QString::fromLocal8Bit(argv[2]));
    QCoreApplication app(argc, argv);
    QProcess server;
    const QString port = bench::StartServer(server);
    bench::ScratchDatabase demo, large;
    bench::FillLargeCatalogue(large.params(), 500, 30);
    QTemporaryDir dir;
    const QString demoIni = WriteIni(dir, "demo", port, demo.path());
    const QString largeIni = WriteIni(dir, "large", port, large.path());

    constexpr int kRuns = 5;
    for (auto [name, ini, params] : {std::tuple{"demo database", demoIni, demo.params()},
                                     std::tuple{"500 objects x 30 fields", largeIni, large.params()}}) {
        StartupMs(ini);  // warm the caches
        double start = 0, load = 0;
        for (int i = 0; i < kRuns; ++i) {
            start += StartupMs(ini);
            load += CatalogueLoadMs(params);
        }
        std::printf("%-26s start to logged-in window %8.1f ms   catalogue load alone %7.1f ms\n", name, start / kRuns,
                    load / kRuns);
    }
    server.terminate();
    server.waitForFinished(3000);
    return 0;
}
