#include "ServerService.h"

#include "db/ExceptionPos.h"

#include <cstdio>

namespace korvanta {

ServerService::ServerService(ServerOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options))
{
    Log = [](const QString& line) {
        const QByteArray text = (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) +
                                 line + u'\n').toUtf8();
        std::fwrite(text.constData(), 1, text.size(), stderr);
        std::fflush(stderr);
    };
    connect(&server_, &QTcpServer::newConnection, this, &ServerService::Accept);
}

void ServerService::Start()
{
    if (!server_.listen(options_.listen, options_.port))
        RaiseMsgFmt(QStringLiteral("Не удалось открыть порт %d на адресе %s: %s"),
                    {static_cast<int>(options_.port), options_.listen.toString(), server_.errorString()});
    Log(QStringLiteral("Сервер слушает %1:%2, протокол %3.")
            .arg(options_.listen.toString()).arg(server_.serverPort()).arg(options_.protocol));
}

QDateTime ServerService::Now() const
{
    return options_.fixedTime.isValid() ? options_.fixedTime : QDateTime::currentDateTime();
}

void ServerService::Accept()
{
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        auto* con = new ServerConnection(socket, *this);
        ++connections_;
        connect(socket, &QTcpSocket::disconnected, con, [this, con] {
            --connections_;
            con->deleteLater();
        });
        socket->write(QStringLiteral("Korvanta server. Protocol %1.\r\n").arg(options_.protocol).toLatin1());
    }
}

ServerConnection::ServerConnection(QTcpSocket* socket, ServerService& service)
    : TCon(socket, &service), service_(service),
      peer_(QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort()))
{
    service_.Log(QStringLiteral("Подключение %1.").arg(peer_));
    connect(socket, &QTcpSocket::disconnected, this,
            [this] { service_.Log(QStringLiteral("Отключение %1.").arg(peer_)); });
}

void ServerConnection::Reply(const TPack& request, const std::function<void(TPack&)>& fill)
{
    if (!request.HasPair(QStringLiteral("InRetId")))
        return;  // nobody waits for an answer
    TPack reply;
    reply.AddCom(request.GetCom());
    reply.AddInt(QStringLiteral("OutRetId"), request.GetInt(QStringLiteral("InRetId")));
    fill(reply);
    SendPack(reply);
}

void ServerConnection::DispatchPack(TPack& APack)
{
    const QString com = APack.HasPair(QStringLiteral("Com")) ? APack.GetCom() : QString();
    if (com == u"GetDate") {
        Reply(APack, [this](TPack& r) {
            r.AddResTrue();
            r.AddDate(QStringLiteral("Date"), TDateTime{SerialFromDate(service_.Now().date())});
        });
    } else if (com == u"GetDateTime") {
        Reply(APack, [this](TPack& r) {
            r.AddResTrue();
            r.AddDate(QStringLiteral("DateTime"), TDateTime{SerialFromDateTime(service_.Now())});
        });
    } else if (com == u"Ping") {
        // keep-alive: nothing to answer
    } else if (com == u"Discon") {
        CloseSocket();
    } else {
        service_.Log(QStringLiteral("%1: неизвестная команда \"%2\".").arg(peer_, com));
        Reply(APack, [&](TPack& r) { r.AddResFalse(QStringLiteral("Неизвестная команда \"%1\".").arg(com)); });
    }
}

void ServerConnection::OnReceiveFailure(const QString& AText, bool ABadJson)
{
    service_.Log(QStringLiteral("%1: %2 Соединение закрыто.").arg(peer_, AText));
    if (ABadJson)
        SendBadJSON();
    else
        SendBadPack();
}

void ServerConnection::OnDispatchFailure(const QString& AText)
{
    service_.Log(QStringLiteral("%1: %2 Соединение закрыто.").arg(peer_, AText));
}

}  // namespace korvanta
