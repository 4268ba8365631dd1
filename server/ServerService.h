#pragma once
// The server service: greets each client with its protocol version, answers
// "GetDate" and "GetDateTime" from its own clock, ignores "Ping", ends a
// connection on "Discon", and answers a line it cannot read with the fixed
// bad-packet or bad-JSON reply before closing that connection.

#include "net/TCon.h"

#include <QDateTime>
#include <QHostAddress>
#include <QTcpServer>
#include <functional>

namespace korvanta {

struct ServerOptions {
    QHostAddress listen = QHostAddress::Any;
    quint16 port = 3040;
    int protocol = 4;
    // A fixed clock for tests and demonstrations; invalid: the real one.
    QDateTime fixedTime;
};

class ServerService : public QObject {
    Q_OBJECT
public:
    explicit ServerService(ServerOptions options, QObject* parent = nullptr);
    // Fails with a message when the port cannot be opened.
    void Start();
    quint16 port() const { return server_.serverPort(); }
    int connectionCount() const { return connections_; }
    // Log lines (standard error by default).
    std::function<void(const QString&)> Log;
    QDateTime Now() const;

private:
    void Accept();

    ServerOptions options_;
    QTcpServer server_;
    int connections_ = 0;
};

// One client's connection on the server's side.
class ServerConnection : public TCon {
    Q_OBJECT
public:
    ServerConnection(QTcpSocket* socket, ServerService& service);

protected:
    void DispatchPack(TPack& APack) override;
    void OnReceiveFailure(const QString& AText, bool ABadJson) override;
    void OnDispatchFailure(const QString& AText) override;

private:
    void Reply(const TPack& request, const std::function<void(TPack&)>& fill);
    ServerService& service_;
    QString peer_;
};

}  // namespace korvanta
