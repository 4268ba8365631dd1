// korvanta-admin select on the test model: the rows of a user's list, counts,
// statements, saved filters and the failures.
#include "support/ModelFixture.h"

#include "engine/TFltr.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korvanta;
using namespace korvanta::test;

class AdminSelectTest : public ::testing::Test, public ModelFixture {
protected:
    AdminSelectTest()
    {
        LoginAs(model.u1);
        TFltr big(*list);
        big.Set("OBJ_ID", Obj("ORD")->Id());
        big.Set("FLTR_NAME", "Крупные");
        big.Set("FLTR_SID", "big");
        big.Set("ACCF_ID", db->AccFToCode(afPerm));
        big.AddChild(nullptr, -1, Obj("ORD")->GetFldByField("AMOUNT"), {}, false, fitGreater, fitvConst, 150);
        big.Save();
        // The embedded engine holds the file for one process: let the tool have it.
        list.reset();
        db->Disconnect();
    }

    // Exit code, standard output, standard error.
    std::tuple<int, QString, QString> Run(const QStringList& args)
    {
        QProcess p;
        p.start(QStringLiteral(KORVANTA_BIN_DIR "/korvanta-admin"), QStringList{"select", "--db", tdb.path()} + args);
        p.waitForFinished(60000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError()).trimmed()};
    }
};

TEST_F(AdminSelectTest, PrintsWhatEachUsersListShows)
{
    struct Case {
        const char* name;
        QStringList args;
        QString out;
    } cases[] = {
        {"owned clients", {"--user", "u1", "CLIENT"},
         QStringLiteral("CLIENT_ID\tNAME\tCITY_ID\tOWNER_ID\tGRP_ID\n%1\tАльфа\t%2\t%3\t%4\n%5\tБета\t%6\t%7\t%4\n%8\tДельта\t\t%9\t%4\n")
             .arg(model.rows["CLIENT:Альфа"]).arg(model.rows["CITY:Москва"]).arg(model.u1).arg(model.rows["GRP:Все"])
             .arg(model.rows["CLIENT:Бета"]).arg(model.rows["CITY:Казань"]).arg(model.u2)
             .arg(model.rows["CLIENT:Дельта"]).arg(model.u3)},
        {"no rights row", {"--user", "u2", "CITY"}, "CITY_ID\tNAME\n"},
        {"count", {"--user", "u2", "CLIENT", "--count"}, "4\n"},
        {"saved filter", {"--user", "u2", "ORD", "--filter", "big", "--count"}, "2\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto [rc, out, err] = Run(c.args);
        EXPECT_EQ(rc, 0) << err.toStdString();
        EXPECT_EQ(out, c.out);
    }
}

TEST_F(AdminSelectTest, ShowsTheStatementAndItsParameters)
{
    auto [rc, out, err] = Run({"--user", "u1", "ORD", "--filter", "big", "--sql"});
    EXPECT_EQ(rc, 0) << err.toStdString();
    EXPECT_TRUE(out.startsWith("select\n  T0.OWNER_ID as T0OWNER_ID,\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("where\n  T0.AMOUNT > :0\nand\n  (\n    T2.UUA_ID is not null")) << out.toStdString();
    EXPECT_TRUE(out.endsWith(":0 = 150\n")) << out.toStdString();
}

TEST_F(AdminSelectTest, FailuresPrintTheSystemsMessage)
{
    struct Case {
        QStringList args;
        int rc;
        const char* err;
    } cases[] = {
        {{"--user", "nobody", "CITY"}, 1, "Пользователь с логином \"nobody\" не найден."},
        {{"--user", "u1", "NOPE"}, 1, "Объект с таблицей \"NOPE\" не найден."},
        {{"--user", "u1", "ORD", "--filter", "none"}, 1, "Не найден фильтр с идентификатором \"none\""},
        {{"--user", "u1"}, 2, ""},
    };
    for (const Case& c : cases) {
        auto [rc, out, err] = Run(c.args);
        EXPECT_EQ(rc, c.rc);
        if (c.rc == 1) {
            EXPECT_EQ(err, QString::fromUtf8(c.err));
        }
    }
}

TEST_F(AdminSelectTest, StatementLogNamedByTheEnvironment)
{
    QTemporaryDir dir;
    const QString logFile = dir.path() + "/sql.log";
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KORVANTA_SQL_LOG", logFile);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KORVANTA_BIN_DIR "/korvanta-admin"),
            {"select", "--db", tdb.path(), "--user", "u1", "ORD", "--filter", "big", "--count"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0);
    QFile f(logFile);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString log = QString::fromUtf8(f.readAll());
    // The login lookup, the catalogue queries, and the count with its bound value.
    EXPECT_TRUE(log.contains("    :USR_LOGIN = 'u1'\n")) << log.left(2000).toStdString();
    EXPECT_TRUE(log.contains("select * from OBJ order by OBJ_NAME\n"));
    EXPECT_TRUE(log.contains("select\ncount(*)\nfrom\n  ORD T0\n"));
    EXPECT_TRUE(log.contains("    :0 = 150\n"));
}
