// Request/reply round trips per second on loopback, through the client and
// the server service, against a plain TCP echo of lines of the same length,
// with 1 and with 50 clients at once.
#include "support/BenchSupport.h"

#include "net/PacketCodec.h"
#include "net/TCliCon.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QThread>
#include <atomic>
#include <chrono>

using namespace korvanta;

namespace {

QString g_serverPort;
quint16 g_echoPort = 0;
int g_lineLength = 0;

// A line echo server on its own thread.
class EchoThread : public QThread {
public:
    void run() override
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        g_echoPort = server.serverPort();
        QObject::connect(&server, &QTcpServer::newConnection, [&] {
            while (QTcpSocket* s = server.nextPendingConnection())
                QObject::connect(s, &QTcpSocket::readyRead, [s] {
                    while (s->canReadLine())
                        s->write(s->readLine());
                });
        });
        exec();
    }
};

// Runs `clients` QThreads, each doing round trips until the time is up, and
// reports the total number of round trips as the items of one iteration.
template <typename RoundTrips>
void RunClients(benchmark::State& state, RoundTrips roundTrips)
{
    const int clients = static_cast<int>(state.range(0));
    for (auto _ : state) {
        std::atomic<long> total{0};
        std::vector<std::unique_ptr<QThread>> threads;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < clients; ++i) {
            threads.emplace_back(QThread::create([&] { total += roundTrips(std::chrono::seconds(2)); }));
            threads.back()->start();
        }
        for (auto& t : threads)
            t->wait();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(elapsed.count());
        state.SetItemsProcessed(total.load());
    }
}

// GetDate requests through TCliCon to the server service.
void Packet(benchmark::State& state)
{
    RunClients(state, [](std::chrono::seconds span) {
        TCliCon con;
        con.Connect(QStringLiteral("127.0.0.1"), g_serverPort);
        long n = 0;
        const auto end = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < end) {
            benchmark::DoNotOptimize(con.GetDate());
            ++n;
        }
        con.Disconnect();
        return n;
    });
}

// Lines of the same length to a plain echo server.
void Echo(benchmark::State& state)
{
    RunClients(state, [](std::chrono::seconds span) {
        QTcpSocket s;
        s.connectToHost(QStringLiteral("127.0.0.1"), g_echoPort);
        s.waitForConnected(5000);
        const QByteArray line = QByteArray(g_lineLength - 2, 'A') + "\r\n";
        long n = 0;
        const auto end = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < end) {
            s.write(line);
            s.flush();
            while (!s.canReadLine())
                s.waitForReadyRead(5000);
            benchmark::DoNotOptimize(s.readLine());
            ++n;
        }
        return n;
    });
}

}  // namespace

BENCHMARK(Packet)->Arg(1)->Arg(50)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Echo)->Arg(1)->Arg(50)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QProcess server;
    g_serverPort = bench::StartServer(server);
    EchoThread echo;
    echo.start();
    while (g_echoPort == 0)
        QThread::msleep(10);
    // The echo lines are as long as a GetDate request line.
    TPack request;
    request.AddCom(QStringLiteral("GetDate"));
    request.AddInt(QStringLiteral("InRetId"), 1000);
    g_lineLength = static_cast<int>(EncodeLine(request, PacketCipher()).size());

    const int rc = korvanta::bench::RunWithRatios(
        argc, argv,
        {{"GetDate round trips, 1 client: rate relative to a plain echo", "Packet/1/iterations:1/manual_time",
          "Echo/1/iterations:1/manual_time", true, 0},
         {"GetDate round trips, 50 clients: rate relative to a plain echo", "Packet/50/iterations:1/manual_time",
          "Echo/50/iterations:1/manual_time", true, 0}});
    echo.quit();
    echo.wait();
    server.terminate();
    server.waitForFinished(5000);
    return rc;
}
