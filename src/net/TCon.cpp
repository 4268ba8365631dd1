#include "TCon.h"

#include "PacketCodec.h"
#include "db/ExceptionPos.h"

#include <QEventLoop>
#include <QTimer>

namespace korvanta {

int SocketErrorCode(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return 10061;
    case QAbstractSocket::RemoteHostClosedError: return 10053;
    case QAbstractSocket::NetworkError: return 10054;
    case QAbstractSocket::SocketTimeoutError: return 10060;
    case QAbstractSocket::HostNotFoundError: return 11001;
    case QAbstractSocket::SocketAccessError: return 10013;
    case QAbstractSocket::SocketResourceError: return 10055;
    case QAbstractSocket::AddressInUseError: return 10048;
    case QAbstractSocket::SocketAddressNotAvailableError: return 10049;
    case QAbstractSocket::UnsupportedSocketOperationError: return 10045;
    default: return 10050;
    }
}

TCon::TCon(QTcpSocket* socket, QObject* parent) : QObject(parent), WSocket(socket ? socket : new QTcpSocket)
{
    WSocket->setParent(this);
    connect(WSocket, &QTcpSocket::readyRead, this, &TCon::ReceiveLines);
}

TCon::~TCon() = default;

void TCon::CloseSocket()
{
    if (WSocket->state() != QAbstractSocket::UnconnectedState)
        WSocket->disconnectFromHost();
}

void TCon::SendPack(const TPack& APack)
{
    WSocket->write(EncodeLine(APack, Crypt));
}

void TCon::SendBadJSON()
{
    WSocket->write(kBadJsonReply);
}

void TCon::SendBadPack()
{
    WSocket->write(kBadPackReply);
}

std::unique_ptr<TPack> TCon::Send(const QString& ACom, bool AWait, const std::function<void(TPack&)>& filler)
{
    TPack pack;
    pack.AddCom(ACom);
    qint64 id = 0;
    if (AWait) {
        id = ++FReturnId;
        pack.AddInt(QStringLiteral("InRetId"), id);
    }
    if (filler)
        filler(pack);
    SendPack(pack);
    if (!AWait)
        return nullptr;

    Waiting.insert(id);
    struct Forget {
        TCon* con;
        qint64 id;
        ~Forget() { con->Waiting.erase(id); }
    } forget{this, id};
    bool timedOut = false;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    connect(this, &TCon::replyArrived, &loop, &QEventLoop::quit);
    connect(WSocket, &QTcpSocket::stateChanged, &loop, &QEventLoop::quit);
    timer.start(ReplyTimeoutMs);
    for (;;) {
        auto it = WaitQueue.find(id);
        if (it != WaitQueue.end()) {
            std::unique_ptr<TPack> reply = std::move(it->second);
            WaitQueue.erase(it);
            return reply;
        }
        if (WSocket->state() != QAbstractSocket::ConnectedState)
            throw SilentAbort();
        if (timedOut)
            RaiseMsgFmt(QStringLiteral("Сервер не ответил на запрос \"%s\" за %d с."), {ACom, ReplyTimeoutMs / 1000});
        loop.exec();
    }
}

std::unique_ptr<TPack> TCon::SendShort(const QString& ACom, bool AWait)
{
    return Send(ACom, AWait);
}

std::unique_ptr<TPack> TCon::SendShort(const QString& ACom, const QString& AName, const Value& AValue, bool AWait)
{
    return SendShort(ACom, QStringList{AName}, std::vector<Value>{AValue}, AWait);
}

std::unique_ptr<TPack> TCon::SendShort(const QString& ACom, const QStringList& ANames,
                                       const std::vector<Value>& AValues, bool AWait)
{
    return Send(ACom, AWait, [&](TPack& p) {
        for (qsizetype i = 0; i < ANames.size() && static_cast<size_t>(i) < AValues.size(); ++i) {
            const Value& v = AValues[i];
            switch (v.kind()) {
            case Value::Kind::Int: p.AddInt(ANames[i], v.intValue()); break;
            case Value::Kind::DateTime: p.AddDate(ANames[i], v.dateTimeValue()); break;
            case Value::Kind::Bool: p.AddBool(ANames[i], v.boolValue()); break;
            case Value::Kind::String: p.AddStr(ANames[i], v.stringValue()); break;
            default:
                RaiseMsgFmt(QStringLiteral("Ошибка добавления данных в пакет: неизвестный тип данных \"%d\" значения \"%s\"."),
                            {static_cast<int>(v.kind()), v.asString()});
            }
        }
    });
}

void TCon::ReceiveLines()
{
    while (WSocket->canReadLine()) {
        const QByteArray line = WSocket->readLine();
        if (!IsPacketLine(line))
            continue;
        try {
            PackQueue.push_back(std::make_unique<TPack>(DecodeLine(line, Crypt)));
            QMetaObject::invokeMethod(this, &TCon::HandOver, Qt::QueuedConnection);
        } catch (const PacketFormatError& e) {
            OnReceiveFailure(e.message(), e.badJson());
            CloseSocket();
            return;
        }
    }
    if (WSocket->bytesAvailable() > kMaxLineLength) {
        OnReceiveFailure(QStringLiteral("Ошибка приема пакета: слишком длинная строка."), false);
        WSocket->abort();
    }
}

void TCon::HandOver()
{
    if (PackQueue.empty())
        return;
    std::unique_ptr<TPack> pack = std::move(PackQueue.front());
    PackQueue.pop_front();
    try {
        if (pack->HasPair(QStringLiteral("OutRetId"))) {
            const qint64 id = pack->GetInt(QStringLiteral("OutRetId"));
            if (Waiting.count(id)) {
                WaitQueue[id] = std::move(pack);
                emit replyArrived();
            }
            return;  // a late reply: its requester is gone
        }
        DispatchPack(*pack);
    } catch (const ExceptionPos& e) {
        CloseSocket();
        OnDispatchFailure(e.message());
    }
}

void TCon::DispatchPack(TPack& APack)
{
    if (OnResvPack)
        OnResvPack(APack);
}

bool TCon::IsPacketLine(const QByteArray&)
{
    return true;
}

void TCon::OnReceiveFailure(const QString&, bool) {}

void TCon::OnDispatchFailure(const QString&) {}

}  // namespace korvanta
