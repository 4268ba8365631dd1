#pragma once
// The client end of the connection to the server service: the handshake
// (the server's first line names its protocol version), the date and
// date-time requests, the keep-alive "Ping", and the report of a connection
// that ended without the client asking for it (OnTerminate).

#include "TCon.h"
#include "db/ServerLink.h"

#include <QTimer>

namespace korvanta {

class TCliCon : public TCon, public ServerLink {
    Q_OBJECT
public:
    explicit TCliCon(QObject* parent = nullptr);

    void Connect(const QString& AAddr, const QString& APort) override;
    bool Connected() const override;
    // Ends the connection at the client's request; reports nothing.
    void Disconnect() override;
    TDateTime GetDate() override;
    TDateTime GetDateTime() override;

    int Protocol = 4;
    int ConnectTimeoutMs = 15000;    // connecting and the server's first line
    static constexpr int kPingIntervalMs = 240000;
    QTimer& timer() { return Timer; }

protected:
    void DispatchPack(TPack& APack) override;
    bool IsPacketLine(const QByteArray& ALine) override;
    void OnReceiveFailure(const QString& AText, bool ABadJson) override;
    void OnDispatchFailure(const QString& AText) override;

private:
    void SocketStateChanged(QAbstractSocket::SocketState state);
    void EndOfConnection(int code);
    // Runs the event loop while `busy` holds, up to the connect timeout.
    bool WaitWhile(const std::function<bool()>& busy);

    QTimer Timer;
    int FConnectError = 0;
    int FLastError = 0;
    bool FServerDisconnect = false;
    bool FClientDisconnect = false;
    QString FDisconnectMessage;
    bool FNoTerminate = false;
    bool FirstPack = false;
    bool FHandshakeDone = false;
    QString ConnectOrFirstPackErrorMsg;
};

}  // namespace korvanta
