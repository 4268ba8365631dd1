// The database object against a real embedded database: connecting and its
// checks, the statement routines, the change transaction and the statement log.
#include "support/Expect.h"
#include "support/TestDatabase.h"

#include "db/TDB.h"

#include <QCryptographicHash>
#include <gtest/gtest.h>

using namespace korvanta;
using korvanta::test::SqlLogCapture;
using korvanta::test::TestDatabase;

namespace {

void SetInfoRaw(const TestDatabase& tdb, const char* sid, const QString& value)
{
    tdb.Exec({QStringLiteral("update INFO set INFO_VALUE = '%1' where INFO_SID = '%2'").arg(value, QLatin1String(sid))});
}

}  // namespace

TEST(TDBConnect, RefusesForeignNewerOrBrokenDatabases)
{
    struct Case {
        const char* name;
        QString prodid, dbver, status;
        const char* message;  // empty: connects
    } cases[] = {
        {"current", "1", "21", "0", ""},
        {"foreign product", "2", "21", "0", "Обнаружена чужая база."},
        {"too new", "1", "22", "0", "Обнаружена слишком новая база."},
        {"upgrade running", "1", "21", "1", "База сейчас обновляется. Запустите программу позже."},
        {"damaged", "1", "21", "2", "База испорчена последним обновлением. Обратитесь к разработчикам."},
        {"unknown state", "1", "21", "7", "База находится в неизвестном состоянии \"Код: 7\". Обратитесь к разработчикам."},
        {"prodid not a number", "x", "21", "0", "'x' is not a valid integer value"},
        {"status not a number", "1", "21", "?", "'?' is not a valid integer value"},
        {"old version", "1", "20", "0",
         "База данных версии 20 не может быть открыта: эта программа работает с версией 21, а "
         "обновление старых версий пока не поддерживается."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestDatabase tdb;
        SetInfoRaw(tdb, "prodid", c.prodid);
        SetInfoRaw(tdb, "dbver", c.dbver);
        SetInfoRaw(tdb, "UpdateStatus", c.status);
        TDB db;
        db.SetConnectParams(tdb.params());
        if (QString::fromUtf8(c.message).isEmpty()) {
            db.Connect();
            EXPECT_TRUE(db.Connected);
        } else {
            EXPECT_MSG(db.Connect(), QString::fromUtf8(c.message));
            EXPECT_FALSE(db.Connected);
            EXPECT_FALSE(db.attachment().isOpen());
        }
    }
}

TEST(TDBConnect, ForeignProductIsRefusedBeforeAnythingElseIsRead)
{
    TestDatabase tdb;
    SetInfoRaw(tdb, "prodid", "2");
    SqlLogCapture log;
    TDB db;
    db.SetConnectParams(tdb.params());
    EXPECT_MSG(db.Connect(), "Обнаружена чужая база.");
    EXPECT_EQ(log.Statements().size(), 1);
}

TEST(TDBConnect, VersionOneSkipsTheStatusCheck)
{
    TestDatabase tdb;
    SetInfoRaw(tdb, "dbver", "1");
    SetInfoRaw(tdb, "UpdateStatus", "2");  // would refuse, but version 1 has no status yet
    SqlLogCapture log;
    TDB db;
    db.SetConnectParams(tdb.params());
    EXPECT_MSG_STARTS(db.Connect(), "База данных версии 1 не может быть открыта");
    EXPECT_FALSE(log.Text().contains("'UpdateStatus'"));
}

TEST(TDBConnect, NewGuidIsCommittedEvenWhenALaterCheckFails)
{
    TestDatabase tdb;
    SetInfoRaw(tdb, "dbver", "22");
    TDB db;
    db.SetConnectParams(tdb.params());
    EXPECT_MSG(db.Connect(), "Обнаружена слишком новая база.");
    const QString stored = tdb.Query("select INFO_VALUE from INFO where INFO_SID = 'guid'").asString();
    EXPECT_EQ(stored.size(), 38);
    EXPECT_TRUE(stored.startsWith(u'{') && stored.endsWith(u'}'));
    EXPECT_EQ(stored, db.GuidStr);

    // The next connection keeps the stored GUID.
    SetInfoRaw(tdb, "dbver", "21");
    TDB again;
    again.SetConnectParams(tdb.params());
    again.Connect();
    EXPECT_EQ(again.GuidStr, stored);
    EXPECT_EQ(again.Guid, QUuid::fromString(stored));
}

TEST(TDBConnect, DisconnectClosesAndAllowsReconnect)
{
    TestDatabase tdb;
    auto db = tdb.Connect();
    db->StartTransaction();
    db->InsRow("CURR", {"CURR_NAME"}, {"EUR"}, false);
    db->Disconnect();  // ends the open change transaction with a rollback
    EXPECT_FALSE(db->Connected);
    EXPECT_FALSE(db->ActiveTransaction());
    db->Connect();
    EXPECT_EQ(tdb.Query("select count(*) from CURR").asInteger(), 0);
}

TEST(TDBLogin, MatchesLoginAndHash)
{
    TestDatabase tdb;
    auto db = tdb.Connect();
    EXPECT_TRUE(db->Login("admin", PasswordHash("")));
    EXPECT_EQ(db->CurrentUserId, 1);
    EXPECT_EQ(db->CurrentUserName, "Администратор");
    EXPECT_FALSE(db->Login("admin", PasswordHash("wrong")));
    EXPECT_EQ(db->CurrentUserId, 0);
    EXPECT_EQ(db->CurrentUserName, "");
    // Logins compare without regard to case, as every text column does.
    EXPECT_TRUE(db->Login("ADMIN", PasswordHash("")));
}

TEST(PasswordHash, IsSha1OfWindows1251BytesInBase64)
{
    EXPECT_EQ(PasswordHash(""), "2jmj7l5rSw0yVb/vlWAYkK/YBwk=");
    EXPECT_EQ(PasswordHash("abc"), "qZk+NkcGgWq6PiVxeFDCbJzQ2J0=");
    // "пароль" in Windows-1251 is EF E0 F0 EE EB FC.
    EXPECT_EQ(PasswordHash("пароль"), QString::fromLatin1(QCryptographicHash::hash(
                                          QByteArray("\xEF\xE0\xF0\xEE\xEB\xFC"), QCryptographicHash::Sha1)
                                          .toBase64()));
}

TEST(TDBStatements, SelValsReadsOneValue)
{
    TestDatabase tdb;
    auto db = tdb.Connect();
    EXPECT_EQ(db->SelVals("PARAMS_CONFNAME", "PARAMS", {"PARAMS_ID"}, {1}).asString(),
              "Универсальная программа учета");
    EXPECT_MSG(db->SelVals("USR_NAME", "USR", {"USR_LOGIN"}, {"nobody"}),
               "TMain.SelVals: Запрос вернул пустой результат.");
    // A matching row with a null column gives null, not a failure.
    EXPECT_TRUE(db->SelVals("USRGRP_ID", "USR", {"USR_LOGIN", "USR_ID"}, {"admin", 1}).asInteger() == 1);
    EXPECT_TRUE(db->SelVals("FLD_SID", "FLD", {"FLD_ID"}, {1}).isNull());
    // Text compares without regard to case.
    EXPECT_EQ(db->SelVals("USR_ID", "USR", {"USR_NAME"}, {"АДМИНИСТРАТОР"}).asInteger(), 1);
}

TEST(TDBStatements, InsRowWithAndWithoutReturnedKey)
{
    TestDatabase tdb;
    auto db = tdb.Connect();
    db->StartTransaction();
    const qint64 id = db->InsRow("CURR", {"CURR_NAME", "CURR_BASE"}, {"RUB", 1}, true);
    EXPECT_GT(id, 0);
    EXPECT_EQ(db->InsRow("CURR", {"CURR_NAME", "CURR_BASE"}, {"USD", 0}, false), 0);
    db->CommitTransaction();
    EXPECT_EQ(db->SelVals("CURR_NAME", "CURR", {"CURR_ID"}, {id}).asString(), "RUB");
    // The key without a returned id came from the same sequence.
    EXPECT_EQ(db->SelVals("CURR_ID", "CURR", {"CURR_NAME"}, {"USD"}).asInteger(), id + 1);
}

TEST(TDBStatements, UpdRowsUsesSeparateWhereParameters)
{
    TestDatabase tdb;
    auto db = tdb.Connect();
    db->StartTransaction();
    const qint64 id = db->InsRow("CURR", {"CURR_NAME"}, {"RUB"}, true);
    SqlLogCapture log;
    // One column both in the set list and in the condition.
    db->UpdRows("CURR", {"CURR_NAME"}, {"RUR"}, {"CURR_NAME"}, {"RUB"}, 1);
    db->CommitTransaction();
    EXPECT_EQ(log.Statements().value(0), "update CURR set\nCURR_NAME = :CURR_NAME\nwhere\nCURR_NAME = :wCURR_NAME");
    EXPECT_EQ(db->SelVals("CURR_NAME", "CURR", {"CURR_ID"}, {id}).asString(), "RUR");
}

TEST(TDBStatements, CountMismatchLeavesTheTransactionForTheCallerToRollBack)
{
    TestDatabase tdb;
    auto db = tdb.Connect();
    {
        ChangeTransaction tr(*db);
        db->InsRow("CURR", {"CURR_NAME"}, {"RUB"}, false);
        db->InsRow("CURR", {"CURR_NAME"}, {"USD"}, false);
        tr.Commit();
    }
    struct Case {
        const char* name;
        std::function<void(TDB&)> call;
        const char* message;
    } cases[] = {
        {"update",
         [](TDB& d) { d.UpdRows("CURR", {"CURR_BASE"}, {1}, {"CURR_BASE"}, {0}, 1); },
         "В таблице \"CURR\" обновилось не 1 записей, а 2 записей."},
        {"update none",
         [](TDB& d) { d.UpdRows("CURR", {"CURR_BASE"}, {1}, {"CURR_NAME"}, {"GBP"}, 1); },
         "В таблице \"CURR\" обновилось не 1 записей, а 0 записей."},
        {"delete",
         [](TDB& d) { d.DelRows("CURR", {"CURR_BASE"}, {0}, 1); },
         "В таблице \"CURR\" удалилось не 1 записей, а 2 записей."},
        {"exec",
         [](TDB& d) { d.ExecSQL("update CURR set CURR_BASE = %d", {1}, 3); },
         "Не удалось обновить нужное количество записей (2 из 3)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        db->StartTransaction();
        EXPECT_MSG(c.call(*db), QString::fromUtf8(c.message));
        ASSERT_TRUE(db->ActiveTransaction());
        db->RollbackTransaction();
        // Nothing of the failed statement survives the rollback.
        EXPECT_EQ(tdb.Query("select count(*) from CURR where CURR_BASE = 0").asInteger(), 2);
    }
}

TEST(TDBStatements, ChangeTransactionRollsBackWhenLeftByAnException)
{
    TestDatabase tdb;
    auto db = tdb.Connect();
    try {
        ChangeTransaction tr(*db);
        db->InsRow("CURR", {"CURR_NAME"}, {"RUB"}, false);
        db->InsRow("CURRATE", {"CURR_ID", "CURRATE_DATE", "CURRATE_VALUE"}, {999, EncodeDate(2021, 1, 1), 1.5},
                   false);  // no currency 999: a foreign-key violation
        tr.Commit();
        FAIL();
    } catch (const FbError& e) {
        EXPECT_TRUE(e.message().contains("FK_CURRATE_CURR_ID")) << e.message().toStdString();
    }
    EXPECT_FALSE(db->ActiveTransaction());
    EXPECT_EQ(tdb.Query("select count(*) from CURR").asInteger(), 0);
}

TEST(TDBStatements, ValuesRoundTripThroughColumns)
{
    TestDatabase tdb;
    auto db = tdb.Connect();
    db->StartTransaction();
    const qint64 curr = db->InsRow("CURR", {"CURR_NAME"}, {"Рубль 'тест' \"кавычки\""}, true);
    const TDateTime day = EncodeDate(2021, 3, 15);
    db->InsRow("CURRATE", {"CURR_ID", "CURRATE_DATE", "CURRATE_VALUE"}, {curr, day, 1.00005}, false);
    db->CommitTransaction();
    EXPECT_EQ(db->SelVals("CURR_NAME", "CURR", {"CURR_ID"}, {curr}).asString(), "Рубль 'тест' \"кавычки\"");
    Value date = db->SelVals("CURRATE_DATE", "CURRATE", {"CURR_ID"}, {curr});
    ASSERT_EQ(date.kind(), Value::Kind::DateTime);
    EXPECT_EQ(date.dateTimeValue().serial, 44270);
    // A four-decimal column keeps the decimal value, rounded half away from zero.
    EXPECT_DOUBLE_EQ(db->SelVals("CURRATE_VALUE", "CURRATE", {"CURR_ID"}, {curr}).asDouble(), 1.0001);
}

TEST(TDBStatements, GeneratorsAndInfo)
{
    TestDatabase tdb;
    auto db = tdb.Connect();
    const qint64 now = db->GetGenId("CURR_ID", 0);
    EXPECT_EQ(db->GetGenId("CURR_ID", 1), now + 1);
    db->StartTransaction();
    db->SetGenId("CURR_ID", 100);
    db->CommitTransaction();
    EXPECT_EQ(db->GetGenId("CURR_ID", 1), 101);

    EXPECT_EQ(db->GetInfo("dbver"), "21");
    EXPECT_MSG(db->GetInfo("nothing"), "TMain.GetInfo: Параметр \"nothing\" не найден в БД.");
    db->SetInfo("UpdateStatus", "0", true);
    EXPECT_FALSE(db->ActiveTransaction());
    EXPECT_MSG(db->SetInfo("nothing", "1", true), "TMain.SetInfo: Параметр \"nothing\" не найден в БД.");
    EXPECT_FALSE(db->ActiveTransaction());
}

TEST(TDBStatements, RefuseUnsafeNamesBeforeAnyStatementRuns)
{
    TestDatabase tdb;
    auto db = tdb.Connect();
    SqlLogCapture log;
    db->StartTransaction();
    EXPECT_MSG_STARTS(db->InsRow("CURR; drop table USR", {"CURR_NAME"}, {"X"}, false), "Имя \"CURR; drop table USR\"");
    EXPECT_MSG_STARTS(db->SelVals("USR_NAME", "USR", {"USR_LOGIN = 'a' or 1=1 --"}, {"x"}), "Имя \"USR_LOGIN");
    EXPECT_MSG_STARTS(db->UpdRows("usr", {"USR_NAME"}, {"x"}, {"USR_ID"}, {1}), "Имя \"usr\"");
    EXPECT_MSG_STARTS(db->DelRows("USR", {"SELECT"}, {1}), "Имя \"SELECT\"");
    EXPECT_MSG(db->DelRows("USR", {}, {}), "TDB: Не указаны поля условия.");
    db->RollbackTransaction();
    EXPECT_TRUE(log.Statements().isEmpty());
}

TEST(TDBStatements, StatementLogShowsTextAndParameters)
{
    TestDatabase tdb;
    auto db = tdb.Connect();
    SqlLogCapture log;
    db->SelVals("USR_NAME", "USR", {"USR_LOGIN", "USR_ID"}, {"admin", 1});
    const QString text = log.Text();
    EXPECT_TRUE(text.contains("select USR_NAME\nfrom USR\nwhere\nUSR_LOGIN = :USR_LOGIN and\nUSR_ID = :USR_ID\n"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("    :USR_LOGIN = 'admin'\n    :USR_ID = 1\n")) << text.toStdString();
}

TEST(TInsert, InsertsManyRowsWithOnePreparedStatement)
{
    TestDatabase tdb;
    auto db = tdb.Connect();
    SqlLogCapture log;
    db->StartTransaction();
    TInsert withKeys(*db, "CURR", {"CURR_NAME", "CURR_BASE"}, true);
    qint64 last = 0;
    for (int i = 0; i < 50; ++i) {
        const qint64 id = withKeys.Insert({QStringLiteral("C%1").arg(i), 0});
        EXPECT_GT(id, last);
        last = id;
    }
    TInsert noKeys(*db, "CURR", {"CURR_NAME", "CURR_BASE"}, false);
    EXPECT_EQ(noKeys.Insert({"Z", Value()}), -1);
    db->CommitTransaction();
    EXPECT_EQ(tdb.Query("select count(*) from CURR").asInteger(), 51);
    EXPECT_EQ(db->SelVals("CURR_NAME", "CURR", {"CURR_ID"}, {last}).asString(), "C49");
    EXPECT_TRUE(log.Text().contains("insert into CURR (\nCURR_ID,\nCURR_NAME,\nCURR_BASE\n) values (\n:CURR_ID,\n:CURR_NAME,\n:CURR_BASE\n)"));
    EXPECT_TRUE(log.Text().contains(") values (\ngen_id(CURR_ID,1),\n:CURR_NAME,"));
}
