// A new database: what create-db writes, checked against the database's own
// catalogue, and the korvanta-admin command itself.
#include "support/Expect.h"
#include "support/TestDatabase.h"

#include "db/CreateDatabase.h"
#include "db/SystemTables.h"
#include "db/TDB.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korvanta;
using korvanta::test::TestDatabase;

namespace {

// Rows of a query as "a|b|c" lines.
QStringList Rows(const TestDatabase& tdb, const QString& sql, bool sorted = false)
{
    FbAttachment att;
    att.Open(tdb.params());
    FbTransaction tra(att, TransactionKind::Read);
    tra.Start();
    FbStatement s(att, tra);
    s.SetSQL(sql);
    QStringList out;
    for (s.ExecQuery(); !s.Eof(); s.Next()) {
        QStringList cols;
        for (int i = 0; i < s.FieldCount(); ++i)
            cols << s.Field(i).asString().trimmed();
        out << cols.join(u'|');
    }
    if (sorted)
        out.sort();  // collations differ between system and our tables
    return out;
}

}  // namespace

TEST(CreateDatabase, DescribingRowsMatchTheRealColumns)
{
    TestDatabase tdb;
    // Every column of every system table has its FLD row in the object of its table, and no more.
    const QStringList real = Rows(tdb,
        "select trim(R.RDB$RELATION_NAME) || '.' || trim(R.RDB$FIELD_NAME) from RDB$RELATION_FIELDS R "
        "join RDB$RELATIONS T on T.RDB$RELATION_NAME = R.RDB$RELATION_NAME and T.RDB$SYSTEM_FLAG = 0 "
        "order by 1", true);
    const QStringList described = Rows(tdb,
        "select trim(O.OBJ_TABLE) || '.' || trim(F.FLD_FIELD) from FLD F join OBJ O on O.OBJ_ID = F.OBJ_ID "
        "order by 1", true);
    EXPECT_EQ(described, real);
    // Every foreign key has its link row, with the parent object and rule of the constraint.
    const QStringList fks = Rows(tdb,
        "select trim(RC.RDB$RELATION_NAME) || '.' || trim(S.RDB$FIELD_NAME) || '>' || trim(P.RDB$RELATION_NAME) "
        "|| ':' || trim(REF.RDB$DELETE_RULE) "
        "from RDB$RELATION_CONSTRAINTS RC "
        "join RDB$INDEX_SEGMENTS S on S.RDB$INDEX_NAME = RC.RDB$INDEX_NAME "
        "join RDB$REF_CONSTRAINTS REF on REF.RDB$CONSTRAINT_NAME = RC.RDB$CONSTRAINT_NAME "
        "join RDB$RELATION_CONSTRAINTS P on P.RDB$CONSTRAINT_NAME = REF.RDB$CONST_NAME_UQ "
        "where RC.RDB$CONSTRAINT_TYPE = 'FOREIGN KEY' order by 1", true);
    const QStringList deps = Rows(tdb,
        "select trim(C.OBJ_TABLE) || '.' || trim(F.FLD_FIELD) || '>' || trim(P.OBJ_TABLE) || ':' || trim(R.FKRULE_SQL) "
        "from DEP D join FLD F on F.FLD_ID = D.FLD_ID join OBJ C on C.OBJ_ID = F.OBJ_ID "
        "join OBJ P on P.OBJ_ID = D.OBJ_ID join FKRULE R on R.FKRULE_ID = D.FKRULE_ID order by 1", true);
    EXPECT_EQ(deps, fks);
    EXPECT_GT(deps.size(), 50);
}

TEST(CreateDatabase, KeysAndRowsThatLaterVersionsRelyOn)
{
    TestDatabase tdb;
    for (auto [id, table] : {std::pair{18, "FLD"}, std::pair{20, "FLTR"}, std::pair{21, "FLTRIT"}, std::pair{28, "OBJ"},
                             std::pair{33, "ST"}, std::pair{37, "TBL"}, std::pair{41, "TRI"}, std::pair{44, "UOA"},
                             std::pair{45, "USR"}})
        EXPECT_EQ(tdb.Query(QStringLiteral("select OBJ_TABLE from OBJ where OBJ_ID = %1").arg(id)).asString(), table);
    EXPECT_EQ(tdb.Query("select FLD_FIELD from FLD where FLD_ID = 29").asString(), "CTRL_NAME");
    EXPECT_EQ(Rows(tdb, "select INFO_SID, INFO_VALUE from INFO order by INFO_ID"),
              QStringList({"prodid|1", "dbver|21", "guid|", "UpdateStatus|0"}));
    EXPECT_EQ(tdb.Query("select PARAMS_CONFNAME from PARAMS where PARAMS_ID = 1").asString(),
              "Универсальная программа учета");
    EXPECT_EQ(Rows(tdb, "select USR_LOGIN, USR_PAS, USR_ST, USR_CONF, USR_ACC, USR_TMDC, USR_FLTR, USR_PARAMS, USR_HIDE from USR"),
              QStringList({"admin|2jmj7l5rSw0yVb/vlWAYkK/YBwk=|1|1|1|1|1|1|0"}));
    // The sequences continue after the written keys.
    EXPECT_EQ(tdb.Query("select gen_id(OBJ_ID, 0) from RDB$DATABASE").asInteger(),
              tdb.Query("select max(OBJ_ID) from OBJ").asInteger());
    EXPECT_EQ(tdb.Query("select gen_id(FLD_ID, 0) from RDB$DATABASE").asInteger(),
              tdb.Query("select max(FLD_ID) from FLD").asInteger());
    // Every enumeration row that the program knows is there.
    auto db = tdb.Connect();
    for (EnumTable* t : {&db->FldTypes, &db->FKRules, &db->FrmlFuncs, &db->FltrItTypes, &db->FltrItTypesOfValue,
                         &db->FltrItFns, &db->CtrlTypes, &db->Accs, &db->AccFs, &db->DateGrps, &db->TriTypes}) {
        auto q = db->CreateIBSQLS(false);
        t->Load(*q);
        const int first = t->spec().firstMember;
        for (int m = first; m < first + static_cast<int>(t->spec().sids.size()); ++m)
            EXPECT_NE(t->Find(m), nullptr) << t->spec().table.toStdString() << " member " << m;
    }
}

TEST(CreateDatabase, TriggerCountsAndDocumentTemplatesAreKeptByTheDatabase)
{
    TestDatabase tdb;
    auto db = tdb.Connect();
    const qint64 target = db->SelVals("FLD_ID", "FLD", {"FLD_FIELD"}, {"CURR_BASE"}).asInteger();
    {
        ChangeTransaction tr(*db);
        db->InsRow("TRI", {"TRITYPE_ID", "DFLD_ID", "SFLD_ID", "S2FLD_ID"}, {5, target, target, target}, false);
        tr.Commit();
    }
    EXPECT_EQ(Rows(tdb, QStringLiteral("select FLD_TRIDST, FLD_TRISRC, FLD_TRISRC2 from FLD where FLD_ID = %1").arg(target)),
              QStringList({"1|1|1"}));
    {
        ChangeTransaction tr(*db);
        db->DelRows("TRI", {"DFLD_ID"}, {target}, 1);
        tr.Commit();
    }
    EXPECT_EQ(Rows(tdb, QStringLiteral("select FLD_TRIDST, FLD_TRISRC, FLD_TRISRC2 from FLD where FLD_ID = %1").arg(target)),
              QStringList({"0|0|0"}));

    // Deleting an object deletes its document templates and their table layouts.
    tdb.Exec({"insert into OBJ (OBJ_ID, OBJ_TABLE, OBJ_NAME) values (900, 'X', 'X')",
              "insert into TMDC (TMDC_ID, TMDC_NAME, OBJ_ID) values (1, 'Счет', 900)",
              "insert into TBL (TBL_ID, OBJ_ID, TMDC_ID) values (1, 28, 1)"});
    tdb.Exec({"delete from OBJ where OBJ_ID = 900"});
    EXPECT_EQ(tdb.Query("select count(*) from TMDC").asInteger(), 0);
    EXPECT_EQ(tdb.Query("select count(*) from TBL").asInteger(), 0);
}

TEST(CreateDatabase, FilterAccessRowsFollowTheirFilterAndStayUnique)
{
    TestDatabase tdb;
    tdb.Exec({"insert into FLTR (FLTR_ID, OBJ_ID, FLTR_NAME, ACCF_ID, USR_ID) values (1, 45, 'Мои', 1, 1)",
              "insert into FUA (FUA_ID, FLTR_ID, USR_ID, ACCF_ID) values (1, 1, 1, 3)",
              "insert into FGA (FGA_ID, FLTR_ID, USRGRP_ID, ACCF_ID) values (1, 1, 1, 3)"});
    EXPECT_THROW(tdb.Exec({"insert into FUA (FUA_ID, FLTR_ID, USR_ID, ACCF_ID) values (2, 1, 1, 4)"}), FbError);
    tdb.Exec({"delete from FLTR where FLTR_ID = 1"});
    EXPECT_EQ(tdb.Query("select count(*) from FUA").asInteger(), 0);
    EXPECT_EQ(tdb.Query("select count(*) from FGA").asInteger(), 0);
    // Deleting a user deletes that user's own filters.
    tdb.Exec({"insert into USR (USR_ID, USR_LOGIN) values (2, 'u2')",
              "insert into FLTR (FLTR_ID, OBJ_ID, FLTR_NAME, ACCF_ID, USR_ID) values (2, 45, 'Его', 1, 2)",
              "delete from USR where USR_ID = 2"});
    EXPECT_EQ(tdb.Query("select count(*) from FLTR").asInteger(), 0);
}

TEST(CreateDatabase, RefusesAnExistingDatabase)
{
    QTemporaryDir dir;
    FbConnectParams p;
    p.location = dir.path() + "/x.fdb";
    QFile f(p.location);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("keep me");
    f.close();
    EXPECT_MSG(CreateDatabase(p), QStringLiteral("База данных \"%1\" уже существует.").arg(p.location));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "keep me");
}

TEST(AdminCommand, CreateDbPrintsWhatItDidAndFailsClearly)
{
    const QString bin = QStringLiteral(KORVANTA_BIN_DIR "/korvanta-admin");
    QTemporaryDir dir;
    const QString path = dir.path() + "/demo.fdb";
    QProcess p;
    p.start(bin, {"create-db", path});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(out.contains("Администратор: логин \"admin\", пустой пароль.")) << out.toStdString();

    TDB db;
    FbConnectParams params;
    params.location = path;
    db.SetConnectParams(params);
    db.Connect();
    EXPECT_TRUE(db.Login("admin", PasswordHash("")));
    db.Disconnect();

    p.start(bin, {"create-db", path});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()).trimmed(),
              QStringLiteral("База данных \"%1\" уже существует.").arg(path));

    p.start(bin, {"create-db"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 2);
}
