// korvanta-admin: administration without a screen.
//   korvanta-admin create-db LOCATION [--user U] [--password P]
//   korvanta-admin ping-server HOST[:PORT]
//   korvanta-admin select --db LOCATION --user LOGIN OBJECT [--filter SID] [--count] [--sql] [--server HOST[:PORT]]
#include "Version.h"
#include "catalogue/TObj.h"
#include "db/TDB.h"
#include "engine/TSQL.h"
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
             "  korvanta-admin select --db LOCATION --user LOGIN OBJECT [--filter SID] [--count] [--sql]\n"
             "                        [--server HOST[:PORT]] [--db-user USER] [--db-password PASSWORD]\n"
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

// The workstation's clock, where no server service is named.
class LocalClock : public ServerLink {
public:
    void Connect(const QString&, const QString&) override {}
    bool Connected() const override { return true; }
    void Disconnect() override {}
    TDateTime GetDate() override { return TDateTime{SerialFromDate(QDate::currentDate())}; }
    TDateTime GetDateTime() override { return TDateTime{SerialFromDateTime(QDateTime::currentDateTime())}; }
};

std::pair<QString, QString> HostPort(const QString& text)
{
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon > 0)
        return {text.left(colon), text.mid(colon + 1)};
    return {text, QStringLiteral("3040")};
}

// The rows of an object as this user's list of it shows them, tab-separated.
int Select(QStringList args)
{
    QString location, login, filterSid, server;
    bool count = false, sqlOnly = false;
    FbConnectParams params;
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        auto value = [&](QString& target) {
            if (i + 1 >= args.size())
                return false;
            target = args[++i];
            return true;
        };
        bool ok = true;
        if (a == u"--db")
            ok = value(location);
        else if (a == u"--user")
            ok = value(login);
        else if (a == u"--filter")
            ok = value(filterSid);
        else if (a == u"--server")
            ok = value(server);
        else if (a == u"--db-user")
            ok = value(params.user);
        else if (a == u"--db-password")
            ok = value(params.password);
        else if (a == u"--count")
            count = true;
        else if (a == u"--sql")
            sqlOnly = true;
        else if (a.startsWith(u"--"))
            ok = false;
        else
            positional << a;
        if (!ok)
            return Usage();
    }
    if (location.isEmpty() || login.isEmpty() || positional.size() != 1)
        return Usage();
    params.location = location;

    TDB db;
    if (server.isEmpty()) {
        db.SetServerLink(std::make_unique<LocalClock>());
    } else {
        auto con = std::make_unique<TCliCon>();
        const auto [host, port] = HostPort(server);
        con->Connect(host, port);
        db.SetServerLink(std::move(con));
    }
    db.SetConnectParams(params);
    db.Connect();
    try {
        db.CurrentUserId = db.SelVals(QStringLiteral("USR_ID"), QStringLiteral("USR"), {QStringLiteral("USR_LOGIN")}, {login}).asInteger();
    } catch (const ExceptionPos&) {
        RaiseMsgFmt(QStringLiteral("Пользователь с логином \"%s\" не найден."), {login});
    }
    TObjList list(db);
    list.Load();
    TObj* obj = list.GetObjByTable(positional[0]);
    TSQL sql(list);
    sql.SetObj(obj);
    std::vector<std::pair<TFld*, int>> columns;
    for (TFld* f : obj->FldList)
        if (!f->Virt())
            columns.emplace_back(f, sql.AddFld(f));
    sql.AddHideFltrs();
    TFltr filter(list);
    if (!filterSid.isEmpty()) {
        filter.LoadBySId(filterSid);
        CheckFltr(filter);
        sql.AddFltr(&filter);
    }
    auto q = db.CreateIBSQLS(false);
    const QString text = sql.GetSelectSQL(true, count);
    q->SetSQL(text);
    sql.SetFltrParams(*q);
    if (sqlOnly) {
        Out() << text << '\n';
        for (const QString& name : q->ParamNames())
            Out() << ':' << name << " = " << q->ParamValue(name).toLogText() << '\n';
        Out().flush();
        return 0;
    }
    q->ExecQuery();
    if (count) {
        Out() << q->Field(0).asInteger() << '\n';
        Out().flush();
        return 0;
    }
    QStringList header;
    for (const auto& [f, pos] : columns)
        header << f->Field();
    Out() << header.join(u'\t') << '\n';
    for (; !q->Eof(); q->Next()) {
        QStringList cells;
        for (const auto& [f, pos] : columns) {
            QString cell = db.VarToStrByFldType(q->Field(pos), f->FldType(), false);
            cell.replace(u'\t', u' ').replace(u'\n', u' ').replace(u'\r', u' ');
            cells << cell;
        }
        Out() << cells.join(u'\t') << '\n';
    }
    Out().flush();
    q->Close();
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
        if (command == u"select")
            return Select(args);
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
