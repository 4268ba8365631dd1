#pragma once
// The database object of the client: the connection to the Firebird
// database, the read transaction through which everything is read, the one
// change transaction through which everything is written, two shared
// statements, the enumeration tables, the value conversions by field type,
// the schema builder and the identity of the logged-in user.
//
// One instance lives in the program; core classes receive it as a reference
// so that a test can open two at once.

#include "Enums.h"
#include "FbClient.h"
#include "ServerLink.h"
#include "Value.h"

#include <QStringList>
#include <QUuid>
#include <functional>
#include <memory>
#include <vector>

namespace korvanta {

using ValueList = std::vector<Value>;

class TDB {
public:
    TDB();
    ~TDB();
    TDB(const TDB&) = delete;
    TDB& operator=(const TDB&) = delete;

    // ---- the server service
    // The connection to the server service (the packet client in the program).
    void SetServerLink(std::unique_ptr<ServerLink> link);
    ServerLink* CliCon() const { return cliCon_.get(); }
    // client.ini: section Info, keys ServerAddr, ServerPort (3040), Database,
    // User, Password. Beside the program unless set.
    QString IniPath;
    // Connects to the server service, then takes the database location and
    // account from client.ini.
    void ServerConnect();
    bool ServerConnected() const;
    void ServerDisconnect();
    // The server service's clock: formulas and filters take the date only from here.
    TDateTime CurrentDate();
    TDateTime CurrentDateTime();
    // The server connection ended unexpectedly: the message to show before the
    // program ends ("Подключение к серверу прервано." and the reason).
    std::function<void(const QString&)> OnServerLost;

    // ---- connection and identity
    // The location and account by which Connect attaches (from client.ini or
    // the command line; the server connection supplies them later).
    void SetConnectParams(const FbConnectParams& params) { params_ = params; }
    const FbConnectParams& ConnectParams() const { return params_; }
    void Connect();
    void Disconnect();
    QString GetDatabaseName() const { return params_.location; }
    bool Login(const Value& ALog, const Value& APas);

    bool Connected = false;
    bool Loaded = false;
    QUuid Guid;
    QString GuidStr;
    qint64 CurrentUserId = 0;
    QString CurrentUserName;
    // Progress of a version upgrade (minimum, maximum, position).
    std::function<void(int, int, int)> NotifyPosition;

    // ---- transactions and statements
    void StartTransaction();
    void CommitTransaction();
    void RollbackTransaction();
    bool ActiveTransaction() const { return ibtrc_.Active(); }

    std::unique_ptr<FbStatement> CreateIBSQLS(bool AChangeTR);
    std::unique_ptr<FbStatement> CreateIBSQLC(FbTransaction* AChTr = nullptr);
    std::unique_ptr<FbTransaction> CreateChTr();

    FbAttachment& attachment() { return ibdb_; }
    FbTransaction& readTransaction() { return ibtrs_; }
    FbTransaction& changeTransaction() { return ibtrc_; }

    void ExecSQL(const QString& AFormat, std::initializer_list<FmtArg> Args, int ARowsAffected = -1);
    Value SelVals(const QString& ASelField, const QString& ATable, const QStringList& AWhereFields,
                  const ValueList& AWhereValues);
    qint64 InsRow(const QString& ATable, const QStringList& AFields, const ValueList& AValues,
                  bool ReturnPKId);
    void UpdRows(const QString& ATable, const QStringList& AFields, const ValueList& AValues,
                 const QStringList& AWhereFields, const ValueList& AWhereValues, int ARowsAffected = -1);
    void DelRows(const QString& ATable, const QStringList& AWhereFields, const ValueList& AWhereValues,
                 int ARowsAffected = -1);
    qint64 GetGenId(const QString& AGenName, int AInc);
    void SetGenId(const QString& AGenName, qint64 Value);
    QString GetInfo(const QString& ASId);
    void SetInfo(const QString& ASId, const QString& AValue, bool ACommit);

    // ---- enumerations (codes are Values; null means "none")
    TFldType CodeToFldType(const Value& ACode);
    Value FldTypeToCode(TFldType AFldType);
    QString FldTypeToName(TFldType AFldType);
    qint64 FldTypeToColWidth(TFldType AFldType);
    Value FldTypeToLen(TFldType AFldType);
    QString FldTypeToDomen(TFldType AFldType);

    TFKRule CodeToFKRule(const Value& ACode);
    Value FKRuleToCode(TFKRule AFKRule);
    QString FKRuleToSQL(TFKRule AFKRule);

    TFrmlFunc CodeToFrmlFunc(const Value& ACode);
    Value FrmlFuncToCode(TFrmlFunc AFunc);
    QString FrmlFuncToName(TFrmlFunc AFunc);

    TFltrItType CodeToFltrItType(const Value& ACode);
    Value FltrItTypeToCode(TFltrItType AType);
    QString FltrItTypeToName(TFltrItType AType);
    QString FltrItTypeToShortName(bool ANot, TFltrItType AType);

    TFltrItTypeOfValue CodeToFltrItTypeOfValue(const Value& ACode);
    Value FltrItTypeOfValueToCode(TFltrItTypeOfValue AType);
    QString FltrItTypeOfValueToName(TFltrItTypeOfValue AType);

    TFltrItFn CodeToFltrItFn(const Value& ACode);
    Value FltrItFnToCode(TFltrItFn AFn);
    QString FltrItFnToName(TFltrItFn AFn);

    TCtrlType CodeToCtrlType(const Value& ACode);
    Value CtrlTypeToCode(TCtrlType AType);
    QString CtrlTypeToName(TCtrlType AType);

    TAcc CodeToAcc(const Value& ACode);
    Value AccToCode(TAcc AAcc);
    QString AccToName(TAcc AAcc);

    TAccF CodeToAccF(const Value& ACode);
    Value AccFToCode(TAccF AAccF);
    QString AccFToName(TAccF AAccF);

    TDateGrp CodeToDateGrp(const Value& ACode);
    Value DateGrpToCode(TDateGrp AGrp);
    QString DateGrpToName(TDateGrp AGrp);
    QString DateGrpToShort(TDateGrp AGrp);
    TDateTime StartOfThe(TDateTime ADate, TDateGrp ADateGrp, int ALag);

    TTriType CodeToTriType(qint64 ACode);
    qint64 TriTypeToCode(TTriType AType);
    QString CodeToTriTypeName(qint64 ACode);

    // ---- value conversions by field type
    QString VarToStrByFldType(const Value& AValue, TFldType AFldType, bool AFormat);
    Value StrToVarByFldType(const QString& AValue, TFldType AFldType);
    Value VarToDBStrByFldType(const Value& AValue, TFldType AFldType);
    Value DBStrToVarByFldType(const Value& AValue, TFldType AFldType);

    // ---- schema builder (runs on the change statement; the caller owns the transaction)
    void CreateTable(const QString& ATable, const QString& APKField);
    void DropTable(const QString& ATable, const QString& APKField);
    void CreateField(const QString& ATable, const QString& AField, bool ANotNull, bool ADef0,
                     TFldType AFldType, int ASize);
    void DropField(const QString& ATable, const QString& AField);
    void ChangeFldLen(const QString& ATable, const QString& AField, int ANewLen);
    void CreateFK(const QString& AChildObjTable, const QString& AParentObjTable,
                  const QString& AChildField, const QString& AParentObjPKField, TFKRule AFKRule);
    void CreateFKTrigger(const QString& AParentTable, const QString& AChildTable,
                         const QString& APKField, const QString& AFKField);
    void DropFKTrigger(const QString& AParentTable, const QString& AChildTable);

    // The enumeration records (loaded on first use, kept across logins).
    EnumTable FldTypes, FKRules, FrmlFuncs, FltrItTypes, FltrItTypesOfValue, FltrItFns, CtrlTypes,
        Accs, AccFs, DateGrps, TriTypes;

private:
    EnumTable& Loaded_(EnumTable& t);
    // Executes text as it stands on the change statement (DDL).
    void ExecDDL(const QString& sql);
    int Member(EnumTable& t, const Value& code);
    Value Code(EnumTable& t, int member);
    QString Name(EnumTable& t, int member, const QString& msg);

    std::unique_ptr<ServerLink> cliCon_;
    FbConnectParams params_;
    FbAttachment ibdb_;
    FbTransaction ibtrs_;
    FbTransaction ibtrc_;
    FbStatement IBSQLS_;
    FbStatement IBSQLC_;
};

// A prepared insert reused for many rows, inside the change transaction.
class TInsert {
public:
    TInsert(TDB& db, const QString& ATable, const QStringList& AFields, bool AReturnID);
    // Returns the new key, or -1 when keys are not returned.
    qint64 Insert(const ValueList& AValues);

private:
    TDB& db_;
    std::unique_ptr<FbStatement> IBSQL;
    QStringList Fields;
    bool ReturnID;
    QString PKField;
};

// Starts the change transaction; rolls it back on leaving the scope unless
// Commit was called, so an exception never leaves it open.
class ChangeTransaction {
public:
    explicit ChangeTransaction(TDB& db);
    ~ChangeTransaction();
    void Commit();
private:
    TDB& db_;
    bool done_ = false;
};

// Password hash: SHA-1 of the Windows-1251 bytes of the password, Base64.
QString PasswordHash(const QString& password);

}  // namespace korvanta
