// The client of the server service against the server service we ship (the
// real program on loopback) and against small scripted servers for the
// cases the real one never produces.
#include "support/Expect.h"
#include "support/ServerProcess.h"

#include "net/PacketCodec.h"
#include "net/TCliCon.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTimer>
#include <gtest/gtest.h>
#include <csignal>

using namespace korvanta;
using korvanta::test::ServerProcess;
using korvanta::test::WaitFor;

namespace {

void Settle(int ms = 100)
{
    WaitFor([] { return false; }, ms);
}

// A scripted server: greets with the given line and hands every packet to a handler.
class FakeServer {
public:
    explicit FakeServer(QByteArray greeting = "Korvanta server. Protocol 4.\r\n") : greeting_(std::move(greeting))
    {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                clients << s;
                if (onConnect)
                    onConnect(s);
                if (!greeting_.isEmpty())
                    s->write(greeting_);
                QObject::connect(s, &QTcpSocket::readyRead, [this, s] {
                    while (s->canReadLine()) {
                        TPack p = DecodeLine(s->readLine(), cipher);
                        received << p.GetCom();
                        if (onPack)
                            onPack(s, p);
                    }
                });
            }
        });
    }
    QString port() const { return QString::number(server.serverPort()); }
    void Send(QTcpSocket* s, const TPack& p) { s->write(EncodeLine(p, cipher)); }
    static TPack ReplyTo(const TPack& request)
    {
        TPack r;
        r.AddCom(request.GetCom());
        r.AddInt("OutRetId", request.GetInt("InRetId"));
        r.AddResTrue();
        return r;
    }

    QTcpServer server;
    PacketCipher cipher;
    QList<QTcpSocket*> clients;
    QStringList received;
    std::function<void(QTcpSocket*)> onConnect;
    std::function<void(QTcpSocket*, TPack&)> onPack;

private:
    QByteArray greeting_;
};

// A client that records what it reports.
struct Client {
    TCliCon con;
    QStringList terminated;
    Client()
    {
        con.OnTerminate = [this](const QString& reason) { terminated << reason; };
    }
};

}  // namespace

TEST(ServerService, AnswersDateAndDateTimeFromItsClock)
{
    ServerProcess server({"--fixed-time", "2021-03-15T09:05:07"});
    ASSERT_FALSE(server.port.isEmpty()) << server.ReadLog().toStdString();
    Client c;
    c.con.Connect("127.0.0.1", server.port);
    EXPECT_TRUE(c.con.Connected());
    EXPECT_EQ(c.con.GetDate().serial, 44270);
    EXPECT_DOUBLE_EQ(c.con.GetDateTime().serial, 44270 + (9 * 3600 + 5 * 60 + 7) / 86400.0);
    c.con.Disconnect();
    Settle();
    EXPECT_TRUE(c.terminated.isEmpty());
    EXPECT_TRUE(WaitFor([&] {
        return server.ReadLog().contains("Отключение");
    }));
}

TEST(ServerService, RefusesAnotherProtocolWithoutEndingTheProgram)
{
    ServerProcess server({"--protocol", "5"});
    Client c;
    EXPECT_MSG(c.con.Connect("127.0.0.1", server.port), "Версии протоколов клиента и сервера не совпадают.");
    Settle(300);
    EXPECT_TRUE(c.terminated.isEmpty());
    EXPECT_FALSE(c.con.Connected());
}

TEST(ServerService, ServesManyClientsAtOnce)
{
    ServerProcess server;
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < 30; ++i) {
        clients.push_back(std::make_unique<Client>());
        clients.back()->con.Connect("127.0.0.1", server.port);
    }
    for (auto& c : clients)
        EXPECT_GT(c->con.GetDateTime().serial, 40000);
    for (auto& c : clients)
        c->con.Disconnect();
}

TEST(ServerService, AnswersUnreadableLinesAndClosesThatConnection)
{
    ServerProcess server;
    PacketCipher cipher;
    struct Case {
        const char* name;
        QByteArray line;
        QByteArray reply;
    } cases[] = {
        {"not a packet", "this is no packet\r\n", kBadPackReply},
        {"not json", cipher.Encrypt("hello").toBase64() + "\r\n", kBadJsonReply},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTcpSocket raw;
        raw.connectToHost("127.0.0.1", server.port.toUShort());
        ASSERT_TRUE(raw.waitForConnected(5000));
        ASSERT_TRUE(WaitFor([&] { return raw.canReadLine(); }));
        EXPECT_EQ(raw.readLine(), "Korvanta server. Protocol 4.\r\n");
        raw.write(c.line);
        QByteArray got;
        EXPECT_TRUE(WaitFor([&] {
            got += raw.readAll();
            return raw.state() == QAbstractSocket::UnconnectedState;
        }));
        EXPECT_EQ(got, c.reply);
    }
    // Other clients are not disturbed.
    Client ok;
    ok.con.Connect("127.0.0.1", server.port);
    EXPECT_GT(ok.con.GetDate().serial, 40000);
}

TEST(ServerService, StopsCleanlyOnSignals)
{
    for (int sig : {SIGTERM, SIGINT}) {
        ServerProcess server;
        ::kill(static_cast<pid_t>(server.process.processId()), sig);
        ASSERT_TRUE(server.process.waitForFinished(5000));
        EXPECT_EQ(server.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(server.process.exitCode(), 0);
        EXPECT_TRUE(QString::fromUtf8(server.process.readAllStandardError()).contains("Сервер остановлен."));
    }
}

TEST(AdminPingServer, PrintsTheServersClockOrTheFailure)
{
    ServerProcess server({"--fixed-time", "2021-03-15T09:05:07"});
    QProcess admin;
    admin.start(QStringLiteral(KORVANTA_BIN_DIR "/korvanta-admin"), {"ping-server", "127.0.0.1:" + server.port});
    ASSERT_TRUE(admin.waitForFinished(10000));
    EXPECT_EQ(admin.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(admin.readAllStandardOutput()),
              QStringLiteral("Сервер 127.0.0.1:%1 отвечает.\nДата: 15.03.2021\nДата и время: 15.03.2021 9:05:07\n")
                  .arg(server.port));

    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    const QString port = QString::number(closed.serverPort());
    closed.close();
    admin.start(QStringLiteral(KORVANTA_BIN_DIR "/korvanta-admin"), {"ping-server", "127.0.0.1:" + port});
    ASSERT_TRUE(admin.waitForFinished(10000));
    EXPECT_EQ(admin.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(admin.readAllStandardError()).trimmed(),
              QStringLiteral("Не удалось подключиться к серверу \"127.0.0.1:%1\". Ошибка #10061.").arg(port));
}

TEST(TCliConHandshake, VersionFollowsProtocolAndAnySeparator)
{
    struct Case {
        QByteArray greeting;
        bool accepted;
    } cases[] = {
        {"Korvanta server. Protocol 4.\r\n", true},
        {"Protocol:4.\r\n", true},
        {"Other service, Protocol_4. Welcome\r\n", true},
        {"Korvanta server. Protocol 5.\r\n", false},
        {"Hello\r\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.greeting.toStdString());
        FakeServer fake(c.greeting);
        Client client;
        if (c.accepted) {
            client.con.Connect("127.0.0.1", fake.port());
            EXPECT_TRUE(client.con.Connected());
            client.con.Disconnect();
        } else {
            EXPECT_MSG(client.con.Connect("127.0.0.1", fake.port()), "Версии протоколов клиента и сервера не совпадают.");
        }
        Settle();
        EXPECT_TRUE(client.terminated.isEmpty());
    }
}

TEST(TCliConHandshake, FailuresBeforeTheFirstLineOnlyFailConnect)
{
    {
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost, 0);
        const QString port = QString::number(closed.serverPort());
        closed.close();
        Client c;
        EXPECT_MSG(c.con.Connect("127.0.0.1", port), "Ошибка #10061.");
        Settle(200);
        EXPECT_TRUE(c.terminated.isEmpty());
    }
    {
        FakeServer fake("");
        fake.onConnect = [](QTcpSocket* s) { s->disconnectFromHost(); };
        Client c;
        EXPECT_MSG(c.con.Connect("127.0.0.1", fake.port()), "");
        Settle(200);
        EXPECT_TRUE(c.terminated.isEmpty());
        // The same connection object connects again later.
        FakeServer good;
        c.con.Connect("127.0.0.1", good.port());
        EXPECT_TRUE(c.con.Connected());
        EXPECT_MSG(c.con.Connect("127.0.0.1", good.port()),
                   "Уже производится попытка подключения или подключение уже установлено.");
    }
    {
        FakeServer silent("");
        Client c;
        c.con.ConnectTimeoutMs = 1000;
        EXPECT_MSG(c.con.Connect("127.0.0.1", silent.port()), "Сервер не прислал приветствие за 1 с.");
        Settle(200);
        EXPECT_TRUE(c.terminated.isEmpty());
    }
}

TEST(TCliConEnd, ReportsTheReasonOnce)
{
    {
        // The server announces the end with a reason, then closes.
        FakeServer fake;
        Client c;
        c.con.Connect("127.0.0.1", fake.port());
        TPack discon;
        discon.AddCom("Discon");
        discon.AddErr("Сервер остановлен для обслуживания.");
        fake.Send(fake.clients[0], discon);
        fake.clients[0]->disconnectFromHost();
        EXPECT_TRUE(WaitFor([&] { return !c.terminated.isEmpty(); }));
        Settle();
        EXPECT_EQ(c.terminated, QStringList{"Сервер остановлен для обслуживания."});
    }
    {
        // The connection drops without a word.
        FakeServer fake;
        Client c;
        c.con.Connect("127.0.0.1", fake.port());
        fake.clients[0]->disconnectFromHost();
        EXPECT_TRUE(WaitFor([&] { return !c.terminated.isEmpty(); }));
        EXPECT_EQ(c.terminated, QStringList{"Ошибка #10053."});
    }
    {
        // An unreadable packet from the server ends the connection with the failure's text.
        FakeServer fake;
        Client c;
        c.con.Connect("127.0.0.1", fake.port());
        fake.clients[0]->write(kBadPackReply);
        EXPECT_TRUE(WaitFor([&] { return !c.terminated.isEmpty(); }));
        EXPECT_TRUE(c.terminated.value(0).startsWith("Ошибка приема пакета")) << c.terminated.value(0).toStdString();
    }
    {
        // The client's own Disconnect reports nothing; the server hears "Discon".
        FakeServer fake;
        Client c;
        c.con.Connect("127.0.0.1", fake.port());
        c.con.Disconnect();
        EXPECT_TRUE(WaitFor([&] { return fake.received.contains("Discon"); }));
        Settle(200);
        EXPECT_TRUE(c.terminated.isEmpty());
        c.con.Disconnect();  // again: nothing happens
    }
}

TEST(TCliConRequests, RepliesInReverseOrderReachTheirOwnRequests)
{
    FakeServer fake;
    std::vector<std::pair<QTcpSocket*, TPack>> pending;
    fake.onPack = [&](QTcpSocket* s, TPack& p) {
        if (!p.HasPair("InRetId"))
            return;
        pending.emplace_back(s, p);
        if (pending.size() < 2)
            return;
        for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
            TPack r = FakeServer::ReplyTo(it->second);
            r.AddDate(it->second.GetCom() == "GetDate" ? "Date" : "DateTime",
                      TDateTime{it->second.GetCom() == "GetDate" ? 1000.0 : 2000.5});
            fake.Send(it->first, r);
        }
    };
    Client c;
    c.con.Connect("127.0.0.1", fake.port());
    double inner = 0;
    // While GetDate waits, a timer asks for the date-time: two requests at once.
    QTimer::singleShot(50, [&] { inner = c.con.GetDateTime().serial; });
    EXPECT_EQ(c.con.GetDate().serial, 1000.0);
    EXPECT_TRUE(WaitFor([&] { return inner != 0; }));
    EXPECT_EQ(inner, 2000.5);
}

TEST(TCliConRequests, FailedReplyAndTimeoutAndLateReply)
{
    FakeServer fake;
    int asked = 0;
    QList<TPack> held;
    fake.onPack = [&](QTcpSocket* s, TPack& p) {
        if (!p.HasPair("InRetId"))
            return;
        ++asked;
        if (asked == 1) {
            TPack r = FakeServer::ReplyTo(p);
            r.JObject.erase("Res");
            r.AddResFalse("Часы сервера недоступны.");
            fake.Send(s, r);
        } else if (asked == 2) {
            held << p;  // answered only after the requester gave up
        } else {
            for (const TPack& late : held) {
                TPack r = FakeServer::ReplyTo(late);
                r.AddDate("Date", TDateTime{1.0});
                fake.Send(s, r);
            }
            TPack r = FakeServer::ReplyTo(p);
            r.AddDate("Date", TDateTime{3.0});
            fake.Send(s, r);
        }
    };
    Client c;
    c.con.Connect("127.0.0.1", fake.port());
    EXPECT_MSG(c.con.GetDate(), "Часы сервера недоступны.");
    c.con.ReplyTimeoutMs = 1000;
    EXPECT_MSG(c.con.GetDate(), "Сервер не ответил на запрос \"GetDate\" за 1 с.");
    // The late reply is dropped; the next request gets its own.
    EXPECT_EQ(c.con.GetDate().serial, 3.0);
    EXPECT_TRUE(c.terminated.isEmpty());
}

TEST(TCliConRequests, KeepAlivePingsWhileARequestWaits)
{
    FakeServer fake;
    fake.onPack = [&](QTcpSocket* s, TPack& p) {
        if (p.GetCom() != "GetDate")
            return;
        QTimer::singleShot(400, [&fake, s, p] {
            TPack r = FakeServer::ReplyTo(p);
            r.AddDate("Date", TDateTime{5.0});
            fake.Send(s, r);
        });
    };
    Client c;
    c.con.Connect("127.0.0.1", fake.port());
    EXPECT_EQ(c.con.timer().interval(), 240000);
    c.con.timer().setInterval(100);
    c.con.timer().start();
    EXPECT_EQ(c.con.GetDate().serial, 5.0);
    EXPECT_GE(fake.received.count("Ping"), 2);
}

TEST(TCliConRequests, WaitEndsSilentlyWhenTheConnectionCloses)
{
    FakeServer fake;
    fake.onPack = [](QTcpSocket* s, TPack&) { s->disconnectFromHost(); };
    Client c;
    c.con.Connect("127.0.0.1", fake.port());
    EXPECT_THROW(c.con.GetDate(), SilentAbort);
    EXPECT_TRUE(WaitFor([&] { return !c.terminated.isEmpty(); }));
    EXPECT_EQ(c.terminated, QStringList{"Ошибка #10053."});
}

TEST(TConSend, RefusesValuesOfUnknownType)
{
    FakeServer fake;
    Client c;
    c.con.Connect("127.0.0.1", fake.port());
    EXPECT_MSG(c.con.SendShort("Put", "X", Value(1.5), false),
               "Ошибка добавления данных в пакет: неизвестный тип данных \"3\" значения \"1.5\".");
    c.con.SendShort("Put", QStringList{"N", "S", "B", "D"}, {Value(7), Value("т"), Value(true), Value(TDateTime{2.5})},
                    false);
    TPack got;
    fake.onPack = [&](QTcpSocket*, TPack& p) { got = p; };
    EXPECT_TRUE(WaitFor([&] { return got.HasPair("Com"); }));
    EXPECT_EQ(got.ToBytes(), "{\"Com\":\"Put\",\"N\":7,\"S\":\"\\u0442\",\"B\":true,\"D\":2.5}");
}
