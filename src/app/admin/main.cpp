// korvanta-admin: administration without a screen.
//   korvanta-admin create-db LOCATION [--user U] [--password P]
//   korvanta-admin ping-server HOST[:PORT]
#include "Version.h"
#include "db/CreateDatabase.h"
#include "db/ValueText.h"
#include "net/TCliCon.h"

#include <QCoreApplication>
#include <QTextStream>

using namespace korvanta;

namespace {

QTextStream& Out()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream& Err()
{
    static QTextStream s(stderr);
    return s;
}

int Usage()
{
    Err() << "Использование:\n"
             "  korvanta-admin create-db LOCATION [--user USER] [--password PASSWORD]\n"
             "  korvanta-admin ping-server HOST[:PORT]\n"
             "LOCATION: путь к файлу (встроенный сервер) или host:path (сервер Firebird).\n";
    Err().flush();
    return 2;
}

// Reads "--name value" options after the positional arguments.
bool TakeOptions(QStringList& args, FbConnectParams& params)
{
    for (qsizetype i = 0; i < args.size();) {
        const QString a = args[i];
        if (a == u"--user" || a == u"--password") {
            if (i + 1 >= args.size())
                return false;
            (a == u"--user" ? params.user : params.password) = args[i + 1];
            args.remove(i, 2);
        } else if (a.startsWith(u"--")) {
            return false;
        } else {
            ++i;
        }
    }
    return true;
}

int CreateDb(QStringList args)
{
    FbConnectParams params;
    if (!TakeOptions(args, params) || args.size() != 1)
        return Usage();
    params.location = args[0];
    CreateDatabase(params, [](const QString& line) {
        Out() << line << '\n';
        Out().flush();
    });
    return 0;
}

// Connects to the server service, prints its date and date-time, disconnects.
int PingServer(const QStringList& args)
{
    if (args.size() != 1)
        return Usage();
    QString host = args[0];
    QString port = QStringLiteral("3040");
    const qsizetype colon = host.lastIndexOf(u':');
    if (colon > 0 && !host.endsWith(u']')) {
        port = host.mid(colon + 1);
        host = host.left(colon);
    }
    TCliCon con;
    try {
        con.Connect(host, port);
    } catch (const ExceptionPos& e) {
        throw ExceptionPos(Format(QStringLiteral("Не удалось подключиться к серверу \"%s\". %s"),
                                  {host + u':' + port, e.message()}));
    }
    const TDateTime date = con.GetDate();
    const TDateTime now = con.GetDateTime();
    Out() << "Сервер " << host << ':' << port << " отвечает.\n"
          << "Дата: " << DateToText(date.serial) << '\n'
          << "Дата и время: " << DateTimeToLongText(now.serial) << '\n';
    Out().flush();
    con.Disconnect();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return Usage();
    const QString command = args.takeFirst();
    try {
        if (command == u"create-db")
            return CreateDb(args);
        if (command == u"ping-server")
            return PingServer(args);
        if (command == u"--version") {
            Out() << "korvanta-admin " << KORVANTA_VERSION << '\n';
            return 0;
        }
        return Usage();
    } catch (const SilentAbort&) {
        Err() << "Соединение с сервером закрыто.\n";
        Err().flush();
        return 1;
    } catch (const std::exception& e) {
        Err() << QString::fromUtf8(e.what()) << '\n';
        Err().flush();
        return 1;
    }
}
