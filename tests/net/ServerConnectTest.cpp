// The database object with the server service: client.ini, the server's
// clock, and the end of the server connection.
#include "support/ServerProcess.h"
#include "support/TestDatabase.h"

#include "net/TCliCon.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <gtest/gtest.h>

using namespace korvanta;
using korvanta::test::TestDatabase;
using korvanta::test::WaitFor;

namespace {

// The server with its clock fixed at 15.03.2021 9:05:07.
struct Server : test::ServerProcess {
    Server() : ServerProcess({"--fixed-time", "2021-03-15T09:05:07"}) {}
};

QString WriteIni(const QTemporaryDir& dir, const QMap<QString, QString>& info)
{
    const QString path = dir.path() + "/client.ini";
    QSettings ini(path, QSettings::IniFormat);
    ini.beginGroup("Info");
    for (auto it = info.begin(); it != info.end(); ++it)
        ini.setValue(it.key(), it.value());
    ini.endGroup();
    ini.sync();
    return path;
}

}  // namespace

TEST(TDBServer, ConnectsThroughClientIniAndReadsTheServersClock)
{
    Server server;
    TestDatabase tdb;
    QTemporaryDir dir;
    TDB db;
    db.SetServerLink(std::make_unique<TCliCon>());
    db.IniPath = WriteIni(dir, {{"ServerAddr", "127.0.0.1"}, {"ServerPort", server.port}, {"Database", tdb.path()}});
    db.ServerConnect();
    EXPECT_TRUE(db.ServerConnected());
    EXPECT_EQ(db.GetDatabaseName(), tdb.path());
    EXPECT_EQ(db.ConnectParams().user, "SYSDBA");
    db.Connect();
    EXPECT_EQ(db.CurrentDate().serial, 44270);
    EXPECT_DOUBLE_EQ(db.CurrentDateTime().serial, 44270 + (9 * 3600 + 5 * 60 + 7) / 86400.0);
    QStringList lost;
    db.OnServerLost = [&](const QString& m) { lost << m; };
    db.Disconnect();
    db.ServerDisconnect();
    WaitFor([] { return false; }, 200);
    EXPECT_FALSE(db.ServerConnected());
    EXPECT_TRUE(lost.isEmpty());
}

TEST(TDBServer, UnreachableServerNamesTheAddress)
{
    QTemporaryDir dir;
    TDB db;
    db.SetServerLink(std::make_unique<TCliCon>());
    db.IniPath = WriteIni(dir, {{"ServerAddr", "127.0.0.1"}, {"ServerPort", "1"}, {"Database", "x.fdb"}});
    EXPECT_MSG(db.ServerConnect(), "Не удалось подключиться к серверу \"127.0.0.1\".");
    db.IniPath = WriteIni(dir, {{"ServerAddr", ""}});
    EXPECT_MSG(db.ServerConnect(), "Не удалось подключиться к серверу \"\".");
}

TEST(TDBServer, MissingDatabaseKeyIsNamed)
{
    Server server;
    QTemporaryDir dir;
    TDB db;
    db.SetServerLink(std::make_unique<TCliCon>());
    db.IniPath = WriteIni(dir, {{"ServerAddr", "127.0.0.1"}, {"ServerPort", server.port}});
    EXPECT_MSG(db.ServerConnect(),
               QStringLiteral("В файле \"%1\" не указана база данных (раздел Info, ключ Database).").arg(db.IniPath));
    db.ServerDisconnect();
}

TEST(TDBServer, LostServerIsReportedWithTheReason)
{
    auto server = std::make_unique<Server>();
    QTemporaryDir dir;
    TDB db;
    db.SetServerLink(std::make_unique<TCliCon>());
    db.IniPath = WriteIni(dir, {{"ServerAddr", "127.0.0.1"}, {"ServerPort", server->port}, {"Database", "relative.fdb"}});
    db.ServerConnect();
    EXPECT_EQ(db.GetDatabaseName(), dir.path() + "/relative.fdb");
    QStringList lost;
    db.OnServerLost = [&](const QString& m) { lost << m; };
    server.reset();  // the service stops: the connection closes under the client
    EXPECT_TRUE(WaitFor([&] { return !lost.isEmpty(); }));
    EXPECT_EQ(lost, QStringList{"Подключение к серверу прервано. Ошибка #10053."});
}
