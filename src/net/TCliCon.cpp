#include "TCliCon.h"

#include "db/ExceptionPos.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace korvanta {

TCliCon::TCliCon(QObject* parent) : TCon(nullptr, parent)
{
    Timer.setInterval(kPingIntervalMs);
    connect(&Timer, &QTimer::timeout, this, [this] {
        if (Connected())
            SendShort(QStringLiteral("Ping"), false);
    });
    connect(WSocket, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError e) { FLastError = SocketErrorCode(e); });
    connect(WSocket, &QTcpSocket::stateChanged, this, &TCliCon::SocketStateChanged);
}

bool TCliCon::Connected() const
{
    return WSocket->state() == QAbstractSocket::ConnectedState;
}

bool TCliCon::WaitWhile(const std::function<bool()>& busy)
{
    bool timedOut = false;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    connect(WSocket, &QTcpSocket::stateChanged, &loop, &QEventLoop::quit);
    connect(WSocket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
    connect(WSocket, &QTcpSocket::readyRead, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    limit.start(ConnectTimeoutMs);
    while (busy() && !timedOut)
        loop.exec();
    return !timedOut;
}

void TCliCon::Connect(const QString& AAddr, const QString& APort)
{
    const auto state = WSocket->state();
    if (state == QAbstractSocket::ConnectedState || state == QAbstractSocket::ConnectingState ||
        state == QAbstractSocket::HostLookupState)
        RaiseMsg(QStringLiteral("Уже производится попытка подключения или подключение уже установлено."));
    FirstPack = true;
    FServerDisconnect = false;
    FClientDisconnect = false;
    FNoTerminate = false;
    FHandshakeDone = false;
    FLastError = 0;
    ConnectOrFirstPackErrorMsg.clear();
    FDisconnectMessage.clear();

    bool portOk = false;
    const quint16 port = APort.toUShort(&portOk);
    WSocket->connectToHost(AAddr, portOk ? port : 0);
    const bool inTime = WaitWhile([this] {
        const auto s = WSocket->state();
        return s == QAbstractSocket::HostLookupState || s == QAbstractSocket::ConnectingState;
    });
    if (!inTime) {
        FNoTerminate = true;
        WSocket->abort();
        RaiseMsgFmt(QStringLiteral("Сервер не ответил за %d с."), {ConnectTimeoutMs / 1000});
    }
    FConnectError = Connected() ? 0 : (FLastError ? FLastError : 10060);
    if (FConnectError != 0)
        ConnectOrFirstPackErrorMsg = QStringLiteral("Ошибка #%1.").arg(FConnectError);
    else
        Timer.start();
    if (!Connected())
        RaiseMsg(ConnectOrFirstPackErrorMsg);

    const bool greeted = WaitWhile([this] { return FirstPack && Connected(); });
    if (!greeted) {
        FNoTerminate = true;
        WSocket->abort();
        RaiseMsgFmt(QStringLiteral("Сервер не прислал приветствие за %d с."), {ConnectTimeoutMs / 1000});
    }
    if (!Connected())
        RaiseMsg(ConnectOrFirstPackErrorMsg);
    FHandshakeDone = true;
}

bool TCliCon::IsPacketLine(const QByteArray& ALine)
{
    if (!FirstPack)
        return true;
    FirstPack = false;
    // "... Protocol 4." : the version follows "Protocol" and one separator.
    const qsizetype at = ALine.indexOf("Protocol");
    int version = -1;
    if (at >= 0) {
        const qsizetype from = at + 9;
        const qsizetype dot = ALine.indexOf('.', from);
        bool ok = false;
        const int v = ALine.mid(from, dot < 0 ? -1 : dot - from).trimmed().toInt(&ok);
        if (ok)
            version = v;
    }
    if (version != Protocol) {
        FNoTerminate = true;
        ConnectOrFirstPackErrorMsg = QStringLiteral("Версии протоколов клиента и сервера не совпадают.");
        CloseSocket();
    }
    return false;
}

void TCliCon::Disconnect()
{
    FNoTerminate = true;
    if (Connected())
        SendShort(QStringLiteral("Discon"), false);
    CloseSocket();
    QCoreApplication::processEvents();
}

TDateTime TCliCon::GetDate()
{
    std::unique_ptr<TPack> reply = SendShort(QStringLiteral("GetDate"), true);
    if (!reply->GetRes())
        RaiseMsg(reply->HasPair(QStringLiteral("ErrMsg")) ? reply->GetErr() : QString());
    return reply->GetDate(QStringLiteral("Date"));
}

TDateTime TCliCon::GetDateTime()
{
    std::unique_ptr<TPack> reply = SendShort(QStringLiteral("GetDateTime"), true);
    if (!reply->GetRes())
        RaiseMsg(reply->HasPair(QStringLiteral("ErrMsg")) ? reply->GetErr() : QString());
    return reply->GetDate(QStringLiteral("DateTime"));
}

void TCliCon::DispatchPack(TPack& APack)
{
    if (APack.HasPair(QStringLiteral("Com")) && APack.GetCom() == u"Discon") {
        FServerDisconnect = true;
        FDisconnectMessage = APack.HasPair(QStringLiteral("ErrMsg")) ? APack.GetErr() : QString();
        return;
    }
    TCon::DispatchPack(APack);
}

void TCliCon::OnReceiveFailure(const QString& AText, bool)
{
    FClientDisconnect = true;
    FDisconnectMessage = AText;
}

void TCliCon::OnDispatchFailure(const QString& AText)
{
    FClientDisconnect = true;
    FDisconnectMessage = AText;
}

void TCliCon::SocketStateChanged(QAbstractSocket::SocketState state)
{
    if (state != QAbstractSocket::UnconnectedState)
        return;
    Timer.stop();
    const int code = FLastError;
    QMetaObject::invokeMethod(this, [this, code] { EndOfConnection(code); }, Qt::QueuedConnection);
}

void TCliCon::EndOfConnection(int code)
{
    // A connection that never passed its handshake only makes Connect fail.
    if (FNoTerminate || !FHandshakeDone)
        return;
    FHandshakeDone = false;
    QString reason;
    if (FServerDisconnect || FClientDisconnect)
        reason = FDisconnectMessage;
    else if (FConnectError == 0)
        reason = code != 0 ? QStringLiteral("Ошибка #%1.").arg(code) : QString();
    else
        return;
    if (OnTerminate)
        OnTerminate(reason);
}

}  // namespace korvanta
