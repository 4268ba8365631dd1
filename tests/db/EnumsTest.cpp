// Enumeration lookups against the rows of a new database.
#include "support/Expect.h"
#include "support/TestDatabase.h"

#include "db/TDB.h"

#include <gtest/gtest.h>

using namespace korvanta;
using korvanta::test::SqlLogCapture;
using korvanta::test::TestDatabase;

class EnumsTest : public ::testing::Test {
protected:
    TestDatabase tdb;
    std::unique_ptr<TDB> db = tdb.Connect();
};

TEST_F(EnumsTest, EveryMemberRoundTripsThroughItsCode)
{
    for (int m = ftPK; m <= ftDateTime; ++m)
        EXPECT_EQ(db->CodeToFldType(db->FldTypeToCode(TFldType(m))), m);
    for (int m = fkNoAction; m <= fkSetNull; ++m)
        EXPECT_EQ(db->CodeToFKRule(db->FKRuleToCode(TFKRule(m))), m);
    for (int m = ffAdd; m <= ffInc; ++m)
        EXPECT_EQ(db->CodeToFrmlFunc(db->FrmlFuncToCode(TFrmlFunc(m))), m);
    for (int m = fitAnd; m <= fitExist; ++m)
        EXPECT_EQ(db->CodeToFltrItType(db->FltrItTypeToCode(TFltrItType(m))), m);
    for (int m = fitvConst; m <= fitvField; ++m)
        EXPECT_EQ(db->CodeToFltrItTypeOfValue(db->FltrItTypeOfValueToCode(TFltrItTypeOfValue(m))), m);
    for (int m = fifCurDT; m <= fifCurU; ++m)
        EXPECT_EQ(db->CodeToFltrItFn(db->FltrItFnToCode(TFltrItFn(m))), m);
    for (int m = ctRoot; m <= ctButtn; ++m)
        EXPECT_EQ(db->CodeToCtrlType(db->CtrlTypeToCode(TCtrlType(m))), m);
    for (int m = aNoAcc; m <= aDetail; ++m)
        EXPECT_EQ(db->CodeToAcc(db->AccToCode(TAcc(m))), m);
    for (int m = afNoAcc; m <= afDetail; ++m)
        EXPECT_EQ(db->CodeToAccF(db->AccFToCode(TAccF(m))), m);
    for (int m = dgDay; m <= dgYear; ++m)
        EXPECT_EQ(db->CodeToDateGrp(db->DateGrpToCode(TDateGrp(m))), m);
    for (int m = ttAddSum; m <= ttDiv; ++m)
        EXPECT_EQ(db->CodeToTriType(db->TriTypeToCode(TTriType(m))), m);
}

TEST_F(EnumsTest, NoneNeedsNoDatabase)
{
    SqlLogCapture log;
    EXPECT_EQ(db->CodeToFldType(Value()), ftNone);
    EXPECT_TRUE(db->FldTypeToCode(ftNone).isNull());
    EXPECT_EQ(db->FldTypeToName(ftNone), "не указано");
    EXPECT_EQ(db->FrmlFuncToName(ffNone), "не указано");
    EXPECT_EQ(db->CtrlTypeToName(ctNone), "не указано");
    EXPECT_EQ(db->AccToName(aNone), "");
    EXPECT_EQ(db->AccFToName(afNone), "");
    EXPECT_EQ(db->DateGrpToName(dgNone), "");
    EXPECT_EQ(db->DateGrpToShort(dgNone), "");
    EXPECT_TRUE(log.Statements().isEmpty());
}

TEST_F(EnumsTest, NamesAndExtrasComeFromTheDatabase)
{
    EXPECT_EQ(db->FldTypeToName(ftStr), "Строка");
    EXPECT_EQ(db->FldTypeToColWidth(ftStr), 150);
    EXPECT_EQ(db->FldTypeToLen(ftStr).asInteger(), 50);
    EXPECT_TRUE(db->FldTypeToLen(ftNone).isNull());
    EXPECT_EQ(db->FKRuleToSQL(fkCascade), "CASCADE");
    EXPECT_EQ(db->FKRuleToSQL(fkSetNull), "SET NULL");
    EXPECT_EQ(db->AccFToName(afPermDefHide), "Постоянный, по умолчанию, скрыт");
    EXPECT_EQ(db->FltrItFnToName(fifBegTd), "Начало текущей декады");
    EXPECT_EQ(db->CtrlTypeToName(ctObjEditBtn), "Поле с кнопкой");
    EXPECT_EQ(db->DateGrpToShort(dgMonth), "мес.");
    EXPECT_EQ(db->CodeToTriTypeName(db->TriTypeToCode(ttDiv)), "Разделить");
    EXPECT_EQ(db->FldTypeToDomen(ftBool), "INTEG");
    EXPECT_EQ(db->FldTypeToDomen(ftNum183), "NUM183");
    // The fixed codes the version upgrade relies on.
    EXPECT_EQ(db->FldTypeToCode(ftPK).asInteger(), 1);
    EXPECT_EQ(db->FldTypeToCode(ftBool).asInteger(), 5);
    EXPECT_EQ(db->FKRuleToCode(fkCascade).asInteger(), 2);
    EXPECT_EQ(db->CtrlTypeToCode(ctStrEdit).asInteger(), 4);
    EXPECT_EQ(db->CtrlTypeToCode(ctCheckBx).asInteger(), 7);
}

TEST_F(EnumsTest, ShortNamesOfFilterNodes)
{
    struct Case {
        TFltrItType type;
        bool isNot;
        const char* text;
    } cases[] = {
        {fitEqual, false, "="},          {fitEqual, true, "<>"},   {fitGreater, false, ">"},
        {fitGreater, true, "<="},        {fitGreaterEqual, true, "<"}, {fitLess, true, ">="},
        {fitLessEqual, false, "<="},     {fitLessEqual, true, ">"}, {fitContaining, false, "Содержит"},
        {fitContaining, true, "не Содержит"}, {fitEmpty, true, "не Пустое"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(db->FltrItTypeToShortName(c.isNot, c.type), QString::fromUtf8(c.text));
}

TEST_F(EnumsTest, FailuresCarryTheirMessages)
{
    EXPECT_MSG(db->CodeToFldType(99), "TDB.CodeToFldType: Тип поля с кодом \"99\" не найден.");
    EXPECT_MSG(db->CodeToFKRule(99), "TDB.CodeToFKRule: Правило связи с кодом \"99\" не найдено.");
    EXPECT_MSG(db->CodeToAccF(99), "TDB.CodeToAccF: Доступ с кодом \"99\" не найден.");
    EXPECT_MSG(db->CodeToTriType(99), "TMain.CodeToTriType: Тип триггера с кодом \"99\" не найден.");
    EXPECT_MSG(db->CodeToTriTypeName(99), "TMain.CodeToTriTypeName: Тип триггера с кодом \"99\" не найден.");
    EXPECT_MSG(db->FldTypeToColWidth(ftNone), "TMain.FldTypeToColWidth: Тип поля не найден.");
    EXPECT_MSG(db->FKRuleToSQL(fkNone), "TDB.FKRuleToSQL: Правило удаления не указано.");
    EXPECT_MSG(db->FldTypeToDomen(ftStr), "TMain.FldTypeToDomen: Недопустимый тип поля \"Строка\"");
    EXPECT_MSG(db->FldTypeToDomen(ftNone), "TMain.FldTypeToDomen: Недопустимый тип поля \"не указано\"");
}

TEST(EnumsLoad, UnknownRowsFailOrAreSkippedAndTheLoadIsRetried)
{
    TestDatabase tdb;
    tdb.Exec({"insert into FLDTYPE (FLDTYPE_ID, FLDTYPE_SID, FLDTYPE_NAME) values (50, 'Money', 'Деньги')",
              "insert into FLTRITTP (FLTRITTP_ID, FLTRITTP_SID, FLTRITTP_NAME) values (50, 'Like', 'Похоже')"});
    auto db = tdb.Connect();
    EXPECT_MSG(db->CodeToFldType(1), "Тип поля с идентификатором \"Money\" не известен системе.");
    EXPECT_FALSE(db->FldTypes.loaded());
    // Filter node types skip what they do not know.
    EXPECT_EQ(db->CodeToFltrItType(db->FltrItTypeToCode(fitEqual)), fitEqual);
    tdb.Exec({"delete from FLDTYPE where FLDTYPE_ID = 50"});
    EXPECT_EQ(db->CodeToFldType(1), ftPK);  // loaded again on the next lookup
}

TEST(EnumsLoad, AMemberWithoutRowHasNoCode)
{
    TestDatabase tdb;
    tdb.Exec({"delete from ACCF where ACCF_SID = 'Detail'"});
    auto db = tdb.Connect();
    EXPECT_MSG(db->AccFToCode(afDetail), "TDB.AccFToCode: Доступ не найден.");
    EXPECT_MSG(db->AccFToName(afDetail), "TDB.AccFToCode: Доступ не найден.");
    EXPECT_EQ(db->AccFToName(afTemp), "Временный");
}
