#pragma once
// Real embedded Firebird databases in a temporary folder. The first request
// makes a database with create-db; each test gets its own copy of it.

#include "Expect.h"
#include "db/TDB.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace korvanta::test {

class TestDatabase {
public:
    TestDatabase();
    const QString& path() const { return path_; }
    FbConnectParams params() const;
    // A TDB connected to this database.
    std::unique_ptr<TDB> Connect() const;
    // Runs statements in a transaction of their own on a separate attachment.
    void Exec(const QStringList& statements) const;
    // The first column of the first row of a query, through a separate attachment.
    Value Query(const QString& sql) const;

private:
    QTemporaryDir dir_;
    QString path_;
};

// Reads the lines appended to the statement log while it lives.
class SqlLogCapture {
public:
    SqlLogCapture();
    ~SqlLogCapture();
    QString Text() const;
    // Statements (without parameter lines) logged so far.
    QStringList Statements() const;
    void Clear();
private:
    QTemporaryDir dir_;
    QString file_;
};

}  // namespace korvanta::test
