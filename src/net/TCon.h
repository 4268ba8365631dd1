#pragma once
// One end of a packet connection over a TCP socket in line mode. It frames,
// encrypts and sends packets, receives lines into packets, hands unsolicited
// packets to DispatchPack and pairs replies with the requests waiting for
// them (by OutRetId). Waiting runs a local event loop, so the user interface
// stays alive; a reply nobody waits for any more is dropped.

#include "PacketCipher.h"
#include "TPack.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTcpSocket>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace korvanta {

class TCon : public QObject {
    Q_OBJECT
public:
    // Takes over the socket (or makes one).
    explicit TCon(QTcpSocket* socket = nullptr, QObject* parent = nullptr);
    ~TCon() override;

    QTcpSocket* socket() const { return WSocket; }

    // Sends a packet with Com; when waiting, numbers it (InRetId) and returns
    // the reply, else returns nothing. `filler` adds the command's values.
    std::unique_ptr<TPack> Send(const QString& ACom, bool AWait,
                                const std::function<void(TPack&)>& filler = {});
    std::unique_ptr<TPack> SendShort(const QString& ACom, bool AWait);
    std::unique_ptr<TPack> SendShort(const QString& ACom, const QString& AName, const Value& AValue, bool AWait);
    std::unique_ptr<TPack> SendShort(const QString& ACom, const QStringList& ANames,
                                     const std::vector<Value>& AValues, bool AWait);
    // Writes one packet as it is (replies of the answering end).
    void SendPack(const TPack& APack);
    void SendBadJSON();
    void SendBadPack();

    // Unsolicited packets, when DispatchPack is not overridden.
    std::function<void(TPack&)> OnResvPack;
    // How long a request waits for its reply.
    int ReplyTimeoutMs = 30000;

signals:
    void replyArrived();

protected:
    // Hooks: an unsolicited packet; whether a line is a packet at all; a
    // line that failed to decode (bad JSON or bad packet); a dispatch failure.
    virtual void DispatchPack(TPack& APack);
    virtual bool IsPacketLine(const QByteArray& ALine);
    virtual void OnReceiveFailure(const QString& AText, bool ABadJson);
    virtual void OnDispatchFailure(const QString& AText);
    // Delayed close: pending output is written first.
    void CloseSocket();

    QTcpSocket* WSocket;

private:
    void ReceiveLines();
    void HandOver();

    int FReturnId = 0;
    PacketCipher Crypt;
    std::deque<std::unique_ptr<TPack>> PackQueue;
    std::map<qint64, std::unique_ptr<TPack>> WaitQueue;
    std::set<qint64> Waiting;
};

// Windows socket error numbers shown in messages ("Ошибка #10053.").
int SocketErrorCode(QAbstractSocket::SocketError error);

}  // namespace korvanta
