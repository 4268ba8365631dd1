#include "TestDatabase.h"

#include "db/CreateDatabase.h"
#include "db/SqlLog.h"

#include <QFile>
#include <gtest/gtest.h>

namespace korvanta::test {

namespace {

void EnsureLockDir()
{
    static QTemporaryDir lockDir;
    if (qEnvironmentVariableIsEmpty("FIREBIRD_LOCK"))
        qputenv("FIREBIRD_LOCK", lockDir.path().toUtf8());
}

// The database made once per test program.
const QString& TemplatePath()
{
    static QTemporaryDir dir;
    static QString path = [] {
        EnsureLockDir();
        QString p = dir.path() + QStringLiteral("/template.fdb");
        FbConnectParams params;
        params.location = p;
        CreateDatabase(params);
        return p;
    }();
    return path;
}

}  // namespace

TestDatabase::TestDatabase()
{
    EnsureLockDir();
    path_ = dir_.path() + QStringLiteral("/test.fdb");
    if (!QFile::copy(TemplatePath(), path_))
        throw std::runtime_error("cannot copy the template database");
    QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner);
}

FbConnectParams TestDatabase::params() const
{
    FbConnectParams p;
    p.location = path_;
    return p;
}

std::unique_ptr<TDB> TestDatabase::Connect() const
{
    auto db = std::make_unique<TDB>();
    db->SetConnectParams(params());
    db->Connect();
    return db;
}

void TestDatabase::Exec(const QStringList& statements) const
{
    FbAttachment att;
    att.Open(params());
    FbTransaction tra(att, TransactionKind::Change);
    tra.Start();
    for (const QString& sql : statements) {
        FbStatement s(att, tra);
        s.SetRawSQL(sql);
        s.ExecQuery();
    }
    tra.Commit();
}

Value TestDatabase::Query(const QString& sql) const
{
    FbAttachment att;
    att.Open(params());
    FbTransaction tra(att, TransactionKind::Read);
    tra.Start();
    FbStatement s(att, tra);
    s.SetSQL(sql);
    s.ExecQuery();
    Value v = s.Eof() ? Value() : s.Field(0);
    s.Close();
    return v;
}

SqlLogCapture::SqlLogCapture()
{
    file_ = dir_.path() + QStringLiteral("/sql.log");
    SqlLog::SetFile(file_);
}

SqlLogCapture::~SqlLogCapture()
{
    SqlLog::SetFile(QString());
}

QString SqlLogCapture::Text() const
{
    QFile f(file_);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

QStringList SqlLogCapture::Statements() const
{
    // Each statement starts with its "[time] " stamp; parameter lines are indented.
    QStringList out;
    for (const QString& line : Text().split(u'\n')) {
        if (line.startsWith(u'[') && line.size() > 26 && line[24] == u']')
            out << line.mid(26);
        else if (!line.startsWith(QStringLiteral("    :")) && !out.isEmpty() && !line.isEmpty())
            out.last() += u'\n' + line;
    }
    return out;
}

void SqlLogCapture::Clear()
{
    QFile::remove(file_);
}

}  // namespace korvanta::test
