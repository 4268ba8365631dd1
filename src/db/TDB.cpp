#include "TDB.h"

#include "Identifiers.h"
#include "ValueText.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringEncoder>

namespace korvanta {

namespace {

void CheckParallel(const QStringList& names, const ValueList& values)
{
    if (names.size() != static_cast<qsizetype>(values.size()))
        RaiseMsg(QStringLiteral("TDB: Количество полей и значений не совпадает."));
}

void CheckWhere(const QStringList& where)
{
    if (where.isEmpty())
        RaiseMsg(QStringLiteral("TDB: Не указаны поля условия."));
}

void CheckIdentList(const QStringList& names)
{
    for (const QString& n : names)
        CheckIdent(n);
}

// Runs a read on a shared statement and closes it whatever happens.
template <typename F>
auto WithClose(FbStatement& stmt, F&& f)
{
    struct Closer {
        FbStatement& s;
        ~Closer() { s.Close(); }
    } closer{stmt};
    return f();
}

}  // namespace

TDB::TDB()
    : FldTypes(FldTypeSpec()), FKRules(FKRuleSpec()), FrmlFuncs(FrmlFuncSpec()),
      FltrItTypes(FltrItTypeSpec()), FltrItTypesOfValue(FltrItTypeOfValueSpec()),
      FltrItFns(FltrItFnSpec()), CtrlTypes(CtrlTypeSpec()), Accs(AccSpec()), AccFs(AccFSpec()),
      DateGrps(DateGrpSpec()), TriTypes(TriTypeSpec()),
      ibtrs_(ibdb_, TransactionKind::Read), ibtrc_(ibdb_, TransactionKind::Change),
      IBSQLS_(ibdb_, ibtrs_), IBSQLC_(ibdb_, ibtrc_)
{
}

TDB::~TDB()
{
    try {
        Disconnect();
    } catch (...) {
    }
    if (cliCon_)
        cliCon_->OnTerminate = nullptr;
}

// ------------------------------------------------------- server service

void TDB::SetServerLink(std::unique_ptr<ServerLink> link)
{
    cliCon_ = std::move(link);
    if (cliCon_)
        cliCon_->OnTerminate = [this](const QString& reason) {
            if (OnServerLost)
                OnServerLost(Format(QStringLiteral("%s %s"), {QStringLiteral("Подключение к серверу прервано."), reason}));
        };
}

void TDB::ServerConnect()
{
    const QString ini = IniPath.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/client.ini") : IniPath;
    QSettings settings(ini, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Info"));
    const QString addr = settings.value(QStringLiteral("ServerAddr")).toString();
    const QString port = settings.value(QStringLiteral("ServerPort"), QStringLiteral("3040")).toString();
    if (!cliCon_)
        RaiseMsg(QStringLiteral("TDB.ServerConnect: Подключение к серверу не создано."));
    try {
        cliCon_->Connect(addr, port);
    } catch (const ExceptionPos&) {
        RaiseMsgFmt(QStringLiteral("Не удалось подключиться к серверу \"%s\"."), {addr});
    } catch (const SilentAbort&) {
        RaiseMsgFmt(QStringLiteral("Не удалось подключиться к серверу \"%s\"."), {addr});
    }
    FbConnectParams p = params_;
    p.location = settings.value(QStringLiteral("Database")).toString();
    p.user = settings.value(QStringLiteral("User"), QStringLiteral("SYSDBA")).toString();
    p.password = settings.value(QStringLiteral("Password"), QStringLiteral("pinecrest")).toString();
    if (p.location.isEmpty())
        RaiseMsgFmt(QStringLiteral("В файле \"%s\" не указана база данных (раздел Info, ключ Database)."), {ini});
    // A relative file path is taken from the folder of client.ini.
    if (!p.location.contains(u':') && QFileInfo(p.location).isRelative())
        p.location = QFileInfo(ini).absoluteDir().absoluteFilePath(p.location);
    params_ = p;
}

bool TDB::ServerConnected() const
{
    return cliCon_ && cliCon_->Connected();
}

void TDB::ServerDisconnect()
{
    if (cliCon_)
        cliCon_->Disconnect();
}

TDateTime TDB::CurrentDate()
{
    if (!cliCon_)
        RaiseMsg(QStringLiteral("TDB.CurrentDate: Нет подключения к серверу."));
    return cliCon_->GetDate();
}

TDateTime TDB::CurrentDateTime()
{
    if (!cliCon_)
        RaiseMsg(QStringLiteral("TDB.CurrentDateTime: Нет подключения к серверу."));
    return cliCon_->GetDateTime();
}

// ------------------------------------------------------------ connection

void TDB::Connect()
{
    Disconnect();
    try {
        ibdb_.Open(params_);
        ibtrs_.Start();
        if (Value(GetInfo(QStringLiteral("prodid"))).asInteger() != 1)
            RaiseMsg(QStringLiteral("Обнаружена чужая база."));
        const qint64 ver = Value(GetInfo(QStringLiteral("dbver"))).asInteger();
        if (ver > 1) {
            const qint64 status = Value(GetInfo(QStringLiteral("UpdateStatus"))).asInteger();
            if (status == 1)
                RaiseMsg(QStringLiteral("База сейчас обновляется. Запустите программу позже."));
            if (status == 2)
                RaiseMsg(QStringLiteral("База испорчена последним обновлением. Обратитесь к разработчикам."));
            if (status != 0)
                RaiseMsgFmt(QStringLiteral("База находится в неизвестном состоянии \"Код: %d\". "
                                           "Обратитесь к разработчикам."),
                            {static_cast<long long>(status)});
        }
        const QString guid = GetInfo(QStringLiteral("guid"));
        if (!guid.isEmpty()) {
            Guid = QUuid::fromString(guid);
            GuidStr = guid;
        } else {
            QUuid created = QUuid::createUuid();
            if (created.isNull())
                RaiseMsg(QStringLiteral("Creating GUID failed!"));
            Guid = created;
            GuidStr = created.toString(QUuid::WithBraces).toUpper();
            SetInfo(QStringLiteral("guid"), GuidStr, true);
        }
        if (ver > 21)
            RaiseMsg(QStringLiteral("Обнаружена слишком новая база."));
        if (ver < 21)
            RaiseMsgFmt(QStringLiteral("База данных версии %d не может быть открыта: эта программа "
                                       "работает с версией 21, а обновление старых версий пока "
                                       "не поддерживается."),
                        {static_cast<long long>(ver)});
        Connected = true;
    } catch (...) {
        try {
            Disconnect();
        } catch (...) {
        }
        throw;
    }
}

void TDB::Disconnect()
{
    Connected = false;
    IBSQLS_.SetRawSQL(QString());
    IBSQLC_.SetRawSQL(QString());
    if (!ibdb_.isOpen()) {
        ibtrc_.Abandon();
        ibtrs_.Abandon();
        return;
    }
    if (ibtrc_.Active()) {
        try {
            ibtrc_.Rollback();
        } catch (...) {
        }
    }
    if (ibtrs_.Active()) {
        try {
            ibtrs_.Rollback();
        } catch (...) {
        }
    }
    ibdb_.Close();
}

bool TDB::Login(const Value& ALog, const Value& APas)
{
    FbStatement& q = IBSQLS_;
    return WithClose(q, [&] {
        q.SetSQL(QStringLiteral("select USR_ID, USR_NAME from USR where USR_LOGIN = :USR_LOGIN and USR_PAS = :USR_PAS"));
        q.SetParam(QStringLiteral("USR_LOGIN"), ALog);
        q.SetParam(QStringLiteral("USR_PAS"), APas);
        q.ExecQuery();
        if (!q.Eof()) {
            CurrentUserId = q.FieldByName(QStringLiteral("USR_ID")).asInteger();
            CurrentUserName = q.FieldByName(QStringLiteral("USR_NAME")).asString();
            return true;
        }
        CurrentUserId = 0;
        CurrentUserName.clear();
        return false;
    });
}

// ---------------------------------------------------------- transactions

void TDB::StartTransaction()
{
    ibtrc_.Start();
}

void TDB::CommitTransaction()
{
    ibtrc_.Commit();
}

void TDB::RollbackTransaction()
{
    ibtrc_.Rollback();
}

std::unique_ptr<FbStatement> TDB::CreateIBSQLS(bool AChangeTR)
{
    return std::make_unique<FbStatement>(ibdb_, AChangeTR ? ibtrc_ : ibtrs_);
}

std::unique_ptr<FbStatement> TDB::CreateIBSQLC(FbTransaction* AChTr)
{
    return std::make_unique<FbStatement>(ibdb_, AChTr ? *AChTr : ibtrc_);
}

std::unique_ptr<FbTransaction> TDB::CreateChTr()
{
    return std::make_unique<FbTransaction>(ibdb_, TransactionKind::Change);
}

ChangeTransaction::ChangeTransaction(TDB& db) : db_(db)
{
    db_.StartTransaction();
}

ChangeTransaction::~ChangeTransaction()
{
    if (!done_ && db_.ActiveTransaction()) {
        try {
            db_.RollbackTransaction();
        } catch (...) {
        }
    }
}

void ChangeTransaction::Commit()
{
    db_.CommitTransaction();
    done_ = true;
}

// ------------------------------------------------------------ statements

void TDB::ExecDDL(const QString& sql)
{
    IBSQLC_.SetRawSQL(sql);
    IBSQLC_.ExecQuery();
    IBSQLC_.Close();
}

void TDB::ExecSQL(const QString& AFormat, std::initializer_list<FmtArg> Args, int ARowsAffected)
{
    IBSQLC_.SetRawSQL(Format(AFormat, Args));
    IBSQLC_.ExecQuery();
    IBSQLC_.Close();
    const qint64 rows = static_cast<qint64>(IBSQLC_.RowsAffected());
    if (ARowsAffected != -1 && rows != ARowsAffected)
        RaiseMsgFmt(QStringLiteral("Не удалось обновить нужное количество записей (%d из %d)."),
                    {static_cast<long long>(rows), ARowsAffected});
}

Value TDB::SelVals(const QString& ASelField, const QString& ATable, const QStringList& AWhereFields,
                   const ValueList& AWhereValues)
{
    CheckWhere(AWhereFields);
    CheckParallel(AWhereFields, AWhereValues);
    CheckIdent(ASelField);
    CheckIdent(ATable);
    CheckIdentList(AWhereFields);
    QStringList lines{QStringLiteral("select ") + ASelField, QStringLiteral("from ") + ATable,
                      QStringLiteral("where")};
    for (qsizetype i = 0; i < AWhereFields.size(); ++i)
        lines << Format(QStringLiteral("%s = :%s%s"),
                        {AWhereFields[i], AWhereFields[i],
                         i + 1 < AWhereFields.size() ? QStringLiteral(" and") : QString()});
    FbStatement& q = IBSQLS_;
    return WithClose(q, [&] {
        q.SetSQL(lines.join(u'\n'));
        for (qsizetype i = 0; i < AWhereFields.size(); ++i)
            q.SetParam(AWhereFields[i], AWhereValues[i]);
        q.ExecQuery();
        if (q.Eof())
            RaiseMsg(QStringLiteral("TMain.SelVals: Запрос вернул пустой результат."));
        return q.Field(0);
    });
}

qint64 TDB::InsRow(const QString& ATable, const QStringList& AFields, const ValueList& AValues,
                   bool ReturnPKId)
{
    CheckParallel(AFields, AValues);
    CheckIdent(ATable);
    CheckIdentList(AFields);
    const QString K = ATable + QStringLiteral("_ID");
    CheckIdent(K);
    qint64 N = 0;
    if (ReturnPKId)
        N = GetGenId(K, 1);
    // A table with nothing but its key gets no dangling commas.
    const QString sep = AFields.isEmpty() ? QString() : QStringLiteral(",");
    QStringList lines{QStringLiteral("insert into ") + ATable + QStringLiteral(" ("), K + sep};
    for (qsizetype i = 0; i < AFields.size(); ++i)
        lines << AFields[i] + (i + 1 < AFields.size() ? QStringLiteral(",") : QString());
    lines << QStringLiteral(") values (");
    lines << (ReturnPKId ? QString::number(N) : QStringLiteral("gen_id(") + K + QStringLiteral(",1)")) + sep;
    for (qsizetype i = 0; i < AFields.size(); ++i)
        lines << u':' + AFields[i] + (i + 1 < AFields.size() ? QStringLiteral(",") : QString());
    lines << QStringLiteral(")");
    IBSQLC_.SetSQL(lines.join(u'\n'));
    for (qsizetype i = 0; i < AFields.size(); ++i)
        IBSQLC_.SetParam(AFields[i], AValues[i]);
    IBSQLC_.ExecQuery();
    IBSQLC_.Close();
    return ReturnPKId ? N : 0;
}

void TDB::UpdRows(const QString& ATable, const QStringList& AFields, const ValueList& AValues,
                  const QStringList& AWhereFields, const ValueList& AWhereValues, int ARowsAffected)
{
    CheckParallel(AFields, AValues);
    CheckParallel(AWhereFields, AWhereValues);
    CheckWhere(AWhereFields);
    CheckIdent(ATable);
    CheckIdentList(AFields);
    CheckIdentList(AWhereFields);
    QStringList lines{Format(QStringLiteral("update %s set"), {ATable})};
    for (qsizetype i = 0; i < AFields.size(); ++i)
        lines << Format(QStringLiteral("%s = :%s%s"),
                        {AFields[i], AFields[i], i + 1 < AFields.size() ? QStringLiteral(",") : QString()});
    lines << QStringLiteral("where");
    for (qsizetype i = 0; i < AWhereFields.size(); ++i)
        lines << Format(QStringLiteral("%s = :w%s%s"),
                        {AWhereFields[i], AWhereFields[i],
                         i + 1 < AWhereFields.size() ? QStringLiteral(" and") : QString()});
    IBSQLC_.SetSQL(lines.join(u'\n'));
    for (qsizetype i = 0; i < AWhereFields.size(); ++i)
        IBSQLC_.SetParam(u'w' + AWhereFields[i], AWhereValues[i]);
    for (qsizetype i = 0; i < AFields.size(); ++i)
        IBSQLC_.SetParam(AFields[i], AValues[i]);
    IBSQLC_.ExecQuery();
    IBSQLC_.Close();
    const qint64 rows = static_cast<qint64>(IBSQLC_.RowsAffected());
    if (ARowsAffected != -1 && rows != ARowsAffected)
        RaiseMsgFmt(QStringLiteral("В таблице \"%s\" обновилось не %d записей, а %d записей."),
                    {ATable, ARowsAffected, static_cast<long long>(rows)});
}

void TDB::DelRows(const QString& ATable, const QStringList& AWhereFields, const ValueList& AWhereValues,
                  int ARowsAffected)
{
    CheckParallel(AWhereFields, AWhereValues);
    CheckWhere(AWhereFields);
    CheckIdent(ATable);
    CheckIdentList(AWhereFields);
    QStringList lines{Format(QStringLiteral("delete from %s"), {ATable}), QStringLiteral("where")};
    for (qsizetype i = 0; i < AWhereFields.size(); ++i)
        lines << Format(QStringLiteral("%s = :%s%s"),
                        {AWhereFields[i], AWhereFields[i],
                         i + 1 < AWhereFields.size() ? QStringLiteral(" and") : QString()});
    IBSQLC_.SetSQL(lines.join(u'\n'));
    for (qsizetype i = 0; i < AWhereFields.size(); ++i)
        IBSQLC_.SetParam(AWhereFields[i], AWhereValues[i]);
    IBSQLC_.ExecQuery();
    IBSQLC_.Close();
    const qint64 rows = static_cast<qint64>(IBSQLC_.RowsAffected());
    if (ARowsAffected != -1 && rows != ARowsAffected)
        RaiseMsgFmt(QStringLiteral("В таблице \"%s\" удалилось не %d записей, а %d записей."),
                    {ATable, ARowsAffected, static_cast<long long>(rows)});
}

qint64 TDB::GetGenId(const QString& AGenName, int AInc)
{
    CheckIdent(AGenName);
    FbStatement& q = IBSQLS_;
    return WithClose(q, [&] {
        q.SetSQL(Format(QStringLiteral("select gen_id(%s, %d) from RDB$DATABASE"), {AGenName, AInc}));
        q.ExecQuery();
        return q.Field(0).asInteger();
    });
}

void TDB::SetGenId(const QString& AGenName, qint64 AValue)
{
    CheckIdent(AGenName);
    ExecDDL(Format(QStringLiteral("ALTER SEQUENCE %s RESTART WITH %d"),
                   {AGenName, static_cast<long long>(AValue)}));
}

QString TDB::GetInfo(const QString& ASId)
{
    FbStatement& q = IBSQLS_;
    return WithClose(q, [&] {
        q.SetSQL(QStringLiteral("select INFO_VALUE from INFO where INFO_SID = :INFO_SID"));
        q.SetParam(QStringLiteral("INFO_SID"), ASId);
        q.ExecQuery();
        if (q.Eof())
            RaiseMsgFmt(QStringLiteral("TMain.GetInfo: Параметр \"%s\" не найден в БД."), {ASId});
        return q.Field(0).asString();
    });
}

void TDB::SetInfo(const QString& ASId, const QString& AValue, bool ACommit)
{
    if (ACommit)
        StartTransaction();
    try {
        IBSQLC_.SetSQL(QStringLiteral("update INFO set INFO_VALUE = :INFO_VALUE where INFO_SID = :INFO_SID"));
        IBSQLC_.SetParam(QStringLiteral("INFO_VALUE"), AValue);
        IBSQLC_.SetParam(QStringLiteral("INFO_SID"), ASId);
        IBSQLC_.ExecQuery();
        IBSQLC_.Close();
        if (IBSQLC_.RowsAffected() == 0)
            RaiseMsgFmt(QStringLiteral("TMain.SetInfo: Параметр \"%s\" не найден в БД."), {ASId});
        if (ACommit)
            CommitTransaction();
    } catch (...) {
        if (ACommit && ActiveTransaction()) {
            try {
                RollbackTransaction();
            } catch (...) {
            }
        }
        throw;
    }
}

// --------------------------------------------------------------- TInsert

TInsert::TInsert(TDB& db, const QString& ATable, const QStringList& AFields, bool AReturnID)
    : db_(db), IBSQL(db.CreateIBSQLC()), Fields(AFields), ReturnID(AReturnID),
      PKField(ATable + QStringLiteral("_ID"))
{
    CheckIdent(ATable);
    CheckIdent(PKField);
    for (const QString& f : AFields)
        CheckIdent(f);
    const QString sep = Fields.isEmpty() ? QString() : QStringLiteral(",");
    QStringList lines{QStringLiteral("insert into ") + ATable + QStringLiteral(" ("), PKField + sep};
    for (qsizetype i = 0; i < Fields.size(); ++i)
        lines << Fields[i] + (i + 1 < Fields.size() ? QStringLiteral(",") : QString());
    lines << QStringLiteral(") values (");
    lines << (ReturnID ? u':' + PKField : QStringLiteral("gen_id(") + PKField + QStringLiteral(",1)")) + sep;
    for (qsizetype i = 0; i < Fields.size(); ++i)
        lines << u':' + Fields[i] + (i + 1 < Fields.size() ? QStringLiteral(",") : QString());
    lines << QStringLiteral(")");
    IBSQL->SetSQL(lines.join(u'\n'));
}

qint64 TInsert::Insert(const ValueList& AValues)
{
    if (static_cast<qsizetype>(AValues.size()) != Fields.size())
        RaiseMsg(QStringLiteral("TDB: Количество полей и значений не совпадает."));
    qint64 N = -1;
    if (ReturnID) {
        N = db_.GetGenId(PKField, 1);
        IBSQL->SetParam(PKField, Value(static_cast<long long>(N)));
    }
    for (qsizetype i = 0; i < Fields.size(); ++i)
        IBSQL->SetParam(Fields[i], AValues[i]);
    IBSQL->ExecQuery();
    IBSQL->Close();
    return N;
}

// ------------------------------------------------------------- password

QString PasswordHash(const QString& password)
{
    QStringEncoder enc("windows-1251");
    QByteArray bytes = enc.isValid() ? QByteArray(enc(password)) : password.toLatin1();
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toBase64());
}

}  // namespace korvanta
