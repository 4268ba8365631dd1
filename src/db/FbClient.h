#pragma once
// Thin RAII layer over the Firebird 3 object API: attachments, transactions
// and statements with :NAME parameters and Values. Every handle is released
// by its owner's destructor; a transaction still active there is rolled back.

#include "ExceptionPos.h"
#include "Value.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace Firebird {
class IAttachment;
class ITransaction;
class IStatement;
class IResultSet;
class IMessageMetadata;
}  // namespace Firebird

namespace korvanta {

// An error reported by the database: its own text, with the ISC codes kept
// so that callers can recognise violations.
class FbError : public ExceptionPos {
public:
    FbError(QString message, std::vector<long> codes)
        : ExceptionPos(std::move(message)), codes_(std::move(codes)) {}
    const std::vector<long>& codes() const { return codes_; }
    bool has(long code) const;
private:
    std::vector<long> codes_;
};

struct FbConnectParams {
    QString location;  // a file path (embedded engine) or host:path
    QString user = QStringLiteral("SYSDBA");
    QString password = QStringLiteral("pinecrest");
    QString charset = QStringLiteral("UTF8");
};

class FbAttachment {
public:
    FbAttachment() = default;
    ~FbAttachment();
    FbAttachment(const FbAttachment&) = delete;
    FbAttachment& operator=(const FbAttachment&) = delete;

    void Open(const FbConnectParams& params);
    // Creates a new database (character set UTF8, dialect 3) and stays attached.
    void Create(const FbConnectParams& params);
    void Close();
    // Deletes the attached database (used to undo a half-made new one).
    void Drop();
    bool isOpen() const { return att_ != nullptr; }
    Firebird::IAttachment* handle() const { return att_; }
    // Names of the users attached to the database, this connection included.
    QStringList AttachedUserNames();

private:
    Firebird::IAttachment* att_ = nullptr;
};

enum class TransactionKind {
    Read,    // read, read_committed, rec_version
    Change,  // nowait, read_committed, rec_version
    // A short writer that waits (up to 10 s) for a row another transaction holds: counters.
    ChangeWait,
};

class FbTransaction {
public:
    FbTransaction(FbAttachment& att, TransactionKind kind) : att_(att), kind_(kind) {}
    ~FbTransaction();
    FbTransaction(const FbTransaction&) = delete;
    FbTransaction& operator=(const FbTransaction&) = delete;

    void Start();
    void Commit();
    void Rollback();
    bool Active() const { return tra_ != nullptr; }
    Firebird::ITransaction* handle() const { return tra_; }
    FbAttachment& attachment() const { return att_; }
    // Forget the handle without a call to the server: the attachment is gone.
    void Abandon();

private:
    FbAttachment& att_;
    TransactionKind kind_;
    Firebird::ITransaction* tra_ = nullptr;
};

// A statement bound to one transaction, in the manner of a data-access
// component: set the text, set parameters by name, execute, read rows.
// The text is prepared once and reused while it stays the same.
class FbStatement {
public:
    FbStatement(FbAttachment& att, FbTransaction& tra);
    ~FbStatement();
    FbStatement(const FbStatement&) = delete;
    FbStatement& operator=(const FbStatement&) = delete;

    // Text with :NAME parameters; they are translated to positional ones.
    void SetSQL(const QString& sql);
    // Text sent as it stands (DDL with PSQL bodies, where ":" is the language's).
    void SetRawSQL(const QString& sql);
    const QString& SQL() const { return sql_; }

    void SetParam(const QString& name, const Value& value);
    QStringList ParamNames() const { return paramNames_; }
    Value ParamValue(const QString& name) const;
    bool HasParam(const QString& name) const;

    // Executes; for a select the first row (if any) is fetched.
    void ExecQuery();
    bool Eof() const { return eof_; }
    void Next();
    void Close();

    int FieldCount() const;
    const QString& FieldName(int i) const;
    // The column names; the same list object for every row of one prepared text.
    const QStringList& FieldNames() const;
    int FieldIndex(const QString& name) const;  // -1 when absent
    Value Field(int i) const;
    Value FieldByName(const QString& name) const;
    // Rows changed by the last insert, update or delete.
    quint64 RowsAffected() const;

    FbTransaction& transaction() const { return tra_; }

private:
    struct Impl;
    void Prepare();
    void FetchRow();
    void Release();

    FbAttachment& att_;
    FbTransaction& tra_;
    QString sql_;
    bool raw_ = false;
    QString translated_;
    QStringList paramNames_;          // unique names, in order of first use
    std::vector<int> paramSlots_;     // position -> index into paramNames_
    std::vector<Value> paramValues_;  // by unique name
    std::unique_ptr<Impl> impl_;
    bool eof_ = true;
    bool countable_ = false;
};

// Translates ":NAME" parameters to "?" outside literals, quoted names and
// comments. Returns the text; fills the name of each "?" in order.
QString TranslateParams(const QString& sql, QStringList& positional);

}  // namespace korvanta
