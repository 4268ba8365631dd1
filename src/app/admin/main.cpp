// korvanta-admin: administration without a screen.
//   korvanta-admin create-db LOCATION [--user U] [--password P]
//   korvanta-admin ping-server HOST[:PORT]
//   korvanta-admin select --db LOCATION --user LOGIN OBJECT [--filter SID] [--count] [--sql] [--server HOST[:PORT]]
//   korvanta-admin show --db LOCATION --user LOGIN OBJECT ID
//   korvanta-admin post --db LOCATION --user LOGIN OBJECT [ID] FIELD=VALUE...
#include "Version.h"
#include "catalogue/TObj.h"
#include "db/TDB.h"
#include "engine/TFldTmpl.h"
#include "engine/TRec.h"
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
             "  korvanta-admin show --db LOCATION --user LOGIN OBJECT ID\n"
             "  korvanta-admin post --db LOCATION --user LOGIN OBJECT [ID] FIELD=VALUE...\n"
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

// What the data commands share: the database, the user, the clock.
struct SessionArgs {
    QString login, filterSid, server;
    bool count = false, sqlOnly = false;
    FbConnectParams params;
    QStringList positional;
};

bool ParseSession(const QStringList& args, SessionArgs& out)
{
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
            ok = value(out.params.location);
        else if (a == u"--user")
            ok = value(out.login);
        else if (a == u"--filter")
            ok = value(out.filterSid);
        else if (a == u"--server")
            ok = value(out.server);
        else if (a == u"--db-user")
            ok = value(out.params.user);
        else if (a == u"--db-password")
            ok = value(out.params.password);
        else if (a == u"--count")
            out.count = true;
        else if (a == u"--sql")
            out.sqlOnly = true;
        else if (a.startsWith(u"--"))
            ok = false;
        else
            out.positional << a;
        if (!ok)
            return false;
    }
    return !out.params.location.isEmpty() && !out.login.isEmpty() && !out.positional.isEmpty();
}

// Connects as the user and loads the catalogue with the user's rights.
void OpenSession(const SessionArgs& a, TDB& db, TObjList& list)
{
    if (a.server.isEmpty()) {
        db.SetServerLink(std::make_unique<LocalClock>());
    } else {
        auto con = std::make_unique<TCliCon>();
        const auto [host, port] = HostPort(a.server);
        con->Connect(host, port);
        db.SetServerLink(std::move(con));
    }
    db.SetConnectParams(a.params);
    db.Connect();
    try {
        db.CurrentUserId = db.SelVals(QStringLiteral("USR_ID"), QStringLiteral("USR"), {QStringLiteral("USR_LOGIN")}, {a.login}).asInteger();
    } catch (const ExceptionPos&) {
        RaiseMsgFmt(QStringLiteral("Пользователь с логином \"%s\" не найден."), {a.login});
    }
    list.Load();
    list.LoadUOA(db.CurrentUserId, Value());
}

// A field's value as the card shows it: links by their value template.
QString ShowValue(TDB& db, TObjList& list, const TFld* f, const Value& v)
{
    if (v.isNull())
        return QString();
    if (f->FldType() == ftFK && f->FKObj && !f->FKObj->TmplFldList.empty())
        return GetValueById(list, f->FKObj, v);
    return db.VarToStrByFldType(v, f->FldType(), false);
}

QString OneLine(QString text)
{
    return text.replace(u'\t', u' ').replace(u'\n', u' ').replace(u'\r', u' ');
}

// The rows of an object as this user's list of it shows them, tab-separated.
int Select(const QStringList& args)
{
    SessionArgs a;
    if (!ParseSession(args, a) || a.positional.size() != 1)
        return Usage();
    TDB db;
    TObjList list(db);
    OpenSession(a, db, list);
    TObj* obj = list.GetObjByTable(a.positional[0]);
    TSQL sql(list);
    sql.SetObj(obj);
    std::vector<std::pair<TFld*, int>> columns;
    for (TFld* f : obj->FldList)
        if (!f->Virt())
            columns.emplace_back(f, sql.AddFld(f));
    sql.AddHideFltrs();
    TFltr filter(list);
    if (!a.filterSid.isEmpty()) {
        filter.LoadBySId(a.filterSid);
        CheckFltr(filter);
        sql.AddFltr(&filter);
    }
    auto q = db.CreateIBSQLS(false);
    const QString text = sql.GetSelectSQL(true, a.count);
    q->SetSQL(text);
    sql.SetFltrParams(*q);
    if (a.sqlOnly) {
        Out() << text << '\n';
        for (const QString& name : q->ParamNames())
            Out() << ':' << name << " = " << q->ParamValue(name).toLogText() << '\n';
        Out().flush();
        return 0;
    }
    q->ExecQuery();
    if (a.count) {
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
        for (const auto& [f, pos] : columns)
            cells << OneLine(db.VarToStrByFldType(q->Field(pos), f->FldType(), false));
        Out() << cells.join(u'\t') << '\n';
    }
    Out().flush();
    q->Close();
    return 0;
}

// One record as its card shows it: a line per field, "FIELD<tab>caption<tab>value".
int Show(const QStringList& args)
{
    SessionArgs a;
    if (!ParseSession(args, a) || a.positional.size() != 2)
        return Usage();
    TDB db;
    TObjList list(db);
    OpenSession(a, db, list);
    TObj* obj = list.GetObjByTable(a.positional[0]);
    bool ok = false;
    const qint64 id = a.positional[1].toLongLong(&ok);
    if (!ok)
        RaiseMsgFmt(QStringLiteral("Неверный код записи \"%s\"."), {a.positional[1]});
    TRec rec(list, obj);
    rec.AddAllToSelect();
    rec.SetRecId(Value(static_cast<long long>(id)));
    rec.CheckAcc(aReadCrd);
    rec.CalcForDisplay();
    for (const auto& item : rec.Items()) {
        if (item->Fld->Virt())
            continue;
        Out() << item->Fld->Field() << '\t' << item->Fld->Name() << '\t'
              << OneLine(ShowValue(db, list, item->Fld, item->value())) << '\n';
    }
    Out().flush();
    return 0;
}

// Inserts or updates one record through the record class, with every check.
int Post(const QStringList& args)
{
    SessionArgs a;
    if (!ParseSession(args, a) || a.positional.size() < 2)
        return Usage();
    TDB db;
    TObjList list(db);
    OpenSession(a, db, list);
    TObj* obj = list.GetObjByTable(a.positional[0]);
    QStringList assignments = a.positional.mid(1);
    Value id;
    if (!assignments.isEmpty() && !assignments[0].contains(u'=')) {
        bool ok = false;
        id = Value(assignments.takeFirst().toLongLong(&ok));
        if (!ok)
            RaiseMsgFmt(QStringLiteral("Неверный код записи \"%s\"."), {a.positional[1]});
    }
    if (assignments.isEmpty())
        return Usage();
    TRec rec(list, obj);
    if (id.isNull()) {
        rec.SetDefaultValues();
    } else {
        rec.AddAllToSelect();
        rec.SetRecId(id);
    }
    for (const QString& as : assignments) {
        const qsizetype eq = as.indexOf(u'=');
        if (eq <= 0)
            return Usage();
        TFld* f = obj->GetFldByField(as.left(eq));
        rec.RecItemByFld(f)->SetValue(db.StrToVarByFldType(as.mid(eq + 1), f->FldType()));
    }
    ChangeTransaction tr(db);
    rec.Post();
    tr.Commit();
    Out() << "Запись " << rec.RecId.asString() << " объекта \"" << obj->Name() << "\" сохранена.\n";
    Out().flush();
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
        if (command == u"show")
            return Show(args);
        if (command == u"post")
            return Post(args);
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
