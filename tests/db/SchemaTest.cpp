// The schema builder: statement texts, their effect on a real database, and
// the refusals that come before any statement runs.
#include "support/Expect.h"
#include "support/TestDatabase.h"

#include "db/TDB.h"

#include <gtest/gtest.h>

using namespace korvanta;
using korvanta::test::SqlLogCapture;
using korvanta::test::TestDatabase;

class SchemaTest : public ::testing::Test {
protected:
    TestDatabase tdb;
    std::unique_ptr<TDB> db = tdb.Connect();

    // Runs the calls in one committed change transaction.
    template <typename F>
    void InTransaction(F&& f)
    {
        ChangeTransaction tr(*db);
        f();
        tr.Commit();
    }
};

TEST_F(SchemaTest, CreateTableMakesKeyConstraintAndSequence)
{
    SqlLogCapture log;
    InTransaction([&] { db->CreateTable("ABC", "ABC_ID"); });
    EXPECT_EQ(log.Statements(), QStringList({"create table ABC (ABC_ID PK NOT NULL)",
                                             "alter table ABC add constraint PK_ABC_ID primary key (ABC_ID)",
                                             "create sequence ABC_ID"}));
    EXPECT_EQ(tdb.Query("select count(*) from RDB$RELATION_CONSTRAINTS where RDB$CONSTRAINT_NAME = 'PK_ABC_ID'")
                  .asInteger(),
              1);
    EXPECT_EQ(tdb.Query("select count(*) from RDB$GENERATORS where RDB$GENERATOR_NAME = 'ABC_ID'").asInteger(), 1);
}

TEST_F(SchemaTest, FieldDefinitionsByType)
{
    InTransaction([&] { db->CreateTable("T", "T_ID"); });
    struct Case {
        const char* field;
        TFldType type;
        bool notNull, def0;
        int size;
        const char* sql;  // empty: nothing runs
    } cases[] = {
        {"K", ftPK, true, true, 0, ""},
        {"S", ftStr, true, true, 40, "alter table T add S varchar(40) character set UTF8 not null collate UNICODE_CI"},
        {"S2", ftStr, false, false, 10, "alter table T add S2 varchar(10) character set UTF8  collate UNICODE_CI"},
        {"L", ftFK, false, true, 0, "alter table T add L FK "},
        {"B", ftBool, false, true, 0, "alter table T add B BOOL default 0 "},
        {"I", ftInteg, true, true, 0, "alter table T add I INTEG default 0 not null"},
        {"N2", ftNum182, false, false, 0, "alter table T add N2 NUM182  "},
        {"N4", ftNum184, false, true, 0, "alter table T add N4 NUM184 default 0 "},
        {"D", ftDate, false, true, 0, "alter table T add D DATE "},
        {"DT", ftDateTime, true, false, 0, "alter table T add DT TIMESTAMP not null"},
    };
    for (const Case& c : cases) {
        SqlLogCapture log;
        InTransaction([&] { db->CreateField("T", c.field, c.notNull, c.def0, c.type, c.size); });
        const QString expected = QString::fromUtf8(c.sql);
        EXPECT_EQ(log.Statements(), expected.isEmpty() ? QStringList() : QStringList{expected}) << c.field;
    }
    EXPECT_MSG(db->CreateField("T", "X", false, false, ftNone, 0), "TDB.CreateField: Неизвестный тип поля \"не указано\".");
    // The text column compares without regard to case.
    InTransaction([&] {
        db->InsRow("T", {"S", "I", "DT"}, {"abc", 1, EncodeDate(2021, 1, 1)}, false);
    });
    EXPECT_EQ(db->SelVals("I", "T", {"S"}, {"ABC"}).asInteger(), 1);
}

TEST_F(SchemaTest, ForeignKeyAndCascadeTrigger)
{
    InTransaction([&] {
        db->CreateTable("CLIENT", "CLIENT_ID");
        db->CreateTable("ORD", "ORD_ID");
        db->CreateField("ORD", "CLIENT_ID", false, false, ftFK, 0);
    });
    db->FKRuleToSQL(fkNoAction);  // the rule names are read once, before the log starts
    SqlLogCapture log;
    InTransaction([&] { db->CreateFK("ORD", "CLIENT", "CLIENT_ID", "CLIENT_ID", fkNoAction); });
    EXPECT_EQ(log.Statements().value(0),
              "alter table ORD add constraint FK_ORD_CLIENT_ID\rforeign key (CLIENT_ID) references "
              "CLIENT(CLIENT_ID)\ron delete NO ACTION on update CASCADE");
    log.Clear();
    InTransaction([&] { db->CreateFKTrigger("CLIENT", "ORD", "CLIENT_ID", "CLIENT_ID"); });
    EXPECT_EQ(log.Statements().value(0),
              "create trigger FK_CLIENT_ORD for CLIENT\nactive before delete position 0\nas\nbegin\n  delete\n"
              "  from ORD\n  where CLIENT_ID = OLD.CLIENT_ID;\nend");

    InTransaction([&] {
        db->InsRow("CLIENT", {}, {}, false);
        db->InsRow("ORD", {"CLIENT_ID"}, {1}, false);
    });
    // The trigger deletes the children before the no-action rule is checked.
    InTransaction([&] { db->DelRows("CLIENT", {"CLIENT_ID"}, {1}, 1); });
    EXPECT_EQ(tdb.Query("select count(*) from ORD").asInteger(), 0);

    InTransaction([&] { db->DropFKTrigger("CLIENT", "ORD"); });
    InTransaction([&] {
        db->InsRow("CLIENT", {}, {}, false);
        db->InsRow("ORD", {"CLIENT_ID"}, {2}, false);
    });
    db->StartTransaction();
    EXPECT_MSG_STARTS(db->DelRows("CLIENT", {"CLIENT_ID"}, {2}, 1), "violation of FOREIGN KEY constraint \"FK_ORD_CLIENT_ID\"");
    db->RollbackTransaction();
}

TEST_F(SchemaTest, DropTableKeepsTheSequenceWhenTheTableStays)
{
    InTransaction([&] {
        db->CreateTable("CLIENT", "CLIENT_ID");
        db->CreateTable("ORD", "ORD_ID");
        db->CreateField("ORD", "CLIENT_ID", false, false, ftFK, 0);
        db->CreateFK("ORD", "CLIENT", "CLIENT_ID", "CLIENT_ID", fkCascade);
    });
    db->StartTransaction();
    EXPECT_THROW(db->DropTable("CLIENT", "CLIENT_ID"), FbError);  // ORD still references it
    db->RollbackTransaction();
    EXPECT_EQ(tdb.Query("select count(*) from RDB$GENERATORS where RDB$GENERATOR_NAME = 'CLIENT_ID'").asInteger(), 1);

    SqlLogCapture log;
    InTransaction([&] { db->DropTable("ORD", "ORD_ID"); });
    EXPECT_EQ(log.Statements(), QStringList({"drop table ORD", "drop sequence ORD_ID"}));
    EXPECT_EQ(tdb.Query("select count(*) from RDB$RELATIONS where RDB$RELATION_NAME = 'ORD'").asInteger(), 0);
    EXPECT_EQ(tdb.Query("select count(*) from RDB$GENERATORS where RDB$GENERATOR_NAME = 'ORD_ID'").asInteger(), 0);
}

TEST_F(SchemaTest, LengthChangeAndDropField)
{
    InTransaction([&] {
        db->CreateTable("T", "T_ID");
        db->CreateField("T", "NAME", false, false, ftStr, 10);
    });
    SqlLogCapture log;
    InTransaction([&] { db->ChangeFldLen("T", "NAME", 40); });
    EXPECT_EQ(log.Statements().value(0), "alter table T alter NAME type varchar(40)");
    InTransaction([&] { db->InsRow("T", {"NAME"}, {"Длинное название в сорок символов"}, false); });
    InTransaction([&] { db->DropField("T", "NAME"); });
    EXPECT_EQ(tdb.Query("select count(*) from RDB$RELATION_FIELDS where RDB$RELATION_NAME = 'T'").asInteger(), 1);
}

TEST_F(SchemaTest, UnsafeOrOverlongNamesAreRefusedBeforeAnyStatement)
{
    SqlLogCapture log;
    db->StartTransaction();
    EXPECT_MSG_STARTS(db->CreateTable("ORDER", "ORDER_ID"), "Имя \"ORDER\" недопустимо");
    EXPECT_MSG_STARTS(db->CreateTable("T;X", "T_ID"), "Имя \"T;X\" недопустимо");
    EXPECT_MSG_STARTS(db->CreateField("T", "name", false, false, ftStr, 10), "Имя \"name\" недопустимо");
    // The constraint name "FK_" + table + "_" + column would pass 31 characters.
    EXPECT_MSG(db->CreateFK("ABCDEFGHIJKLMNOP", "CLIENT", "ABCDEFGHIJKLMN_ID", "CLIENT_ID", fkCascade),
               "Имя \"FK_ABCDEFGHIJKLMNOP_ABCDEFGHIJKLMN_ID\" недопустимо: оно длиннее 31 символов.");
    EXPECT_MSG_STARTS(db->CreateFKTrigger("ABCDEFGHIJKLMNOP", "QRSTUVWXYZABCDEF", "A_ID", "B_ID"),
                      "Имя \"FK_ABCDEFGHIJKLMNOP_QRSTUVWXYZABCDEF\"");
    db->RollbackTransaction();
    EXPECT_TRUE(log.Statements().isEmpty()) << log.Text().toStdString();
}
