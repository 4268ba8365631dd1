// Values to and from display, entry and storage text by field type.
#include "support/Expect.h"
#include "support/TestDatabase.h"

#include "db/TDB.h"

#include <gtest/gtest.h>

using namespace korvanta;
using korvanta::test::TestDatabase;

class ConversionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { shared = new TestDatabase; db = shared->Connect().release(); }
    static void TearDownTestSuite()
    {
        delete db;
        delete shared;
    }
    static TestDatabase* shared;
    static TDB* db;
};
TestDatabase* ConversionTest::shared = nullptr;
TDB* ConversionTest::db = nullptr;

TEST_F(ConversionTest, Display)
{
    const TDateTime day = EncodeDate(2021, 3, 15);
    const TDateTime moment = EncodeDateTime(2021, 3, 15, 9, 5, 7);
    struct Case {
        const char* name;
        Value value;
        TFldType type;
        bool format;
        const char* text;
    } cases[] = {
        {"null", Value(), ftNum182, true, ""},
        {"text", "Привет", ftStr, false, "Привет"},
        {"true", 1, ftBool, false, "Да"},
        {"false", false, ftBool, false, "Нет"},
        {"shortest", 1234.5, ftNum182, false, "1234,5"},
        {"rounded before", 1.005, ftNum182, false, "1,01"},
        {"formatted", 1234.5, ftNum182, true, "1 234,50"},
        {"formatted three", 1234567.0005, ftNum183, true, "1 234 567,001"},
        {"negative", -1234.5, ftNum184, true, "-1 234,5000"},
        {"negative small", -0.001, ftNum182, true, "0,00"},
        {"integer", 1234567, ftInteg, false, "1234567"},
        {"integer formatted", 1234567, ftInteg, true, "1 234 567"},
        {"key formatted", -1000, ftPK, true, "-1 000"},
        {"date", day, ftDate, false, "15.03.2021"},
        {"date time", moment, ftDateTime, true, "15.03.2021 9:05"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(db->VarToStrByFldType(c.value, c.type, c.format), QString::fromUtf8(c.text)) << c.name;
    EXPECT_MSG(db->VarToStrByFldType(2, ftBool, false),
               "TDB.VarToStrByFldType: Невозможно конвертировать логическое значение в строку");
    EXPECT_MSG(db->VarToStrByFldType(1, ftNone, false),
               "TMain.VarToStrByFldType: Для типа поля \"не указано\" преобразование невозможно.");
}

TEST_F(ConversionTest, Entry)
{
    struct Case {
        const char* text;
        TFldType type;
        Value value;
    } cases[] = {
        {"", ftInteg, Value()},
        {"abc", ftStr, "abc"},
        {"1", ftBool, 1},
        {"1 234,5", ftNum182, 1234.5},
        {"1 234,567", ftNum182, 1234.57},
        {"-0,125", ftNum182, -0.13},
        {"12 345", ftInteg, 12345},
        {"15.03.2021", ftDate, TDateTime{44270}},
        {"15.03.2021 18:00", ftDateTime, TDateTime{44270.75}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(db->StrToVarByFldType(QString::fromUtf8(c.text), c.type), c.value) << c.text;
    EXPECT_MSG(db->StrToVarByFldType("abc", ftNum182), "Ошибка преобразования строки \"abc\" в тип поля \"Число (2 знака)\".");
    EXPECT_MSG(db->StrToVarByFldType("31.02.2021", ftDate), "Ошибка преобразования строки \"31.02.2021\" в тип поля \"Дата\".");
    EXPECT_MSG(db->StrToVarByFldType("1,5", ftInteg), "Ошибка преобразования строки \"1,5\" в тип поля \"Целое\".");
    EXPECT_MSG(db->StrToVarByFldType("x", ftNone), "Ошибка преобразования строки \"x\" в тип поля \"не указано\".");
}

TEST_F(ConversionTest, StorageTextRoundTrips)
{
    struct Case {
        Value value;
        TFldType type;
        Value stored;
        Value back;
    } cases[] = {
        {TDateTime{44270}, ftDate, "44270", TDateTime{44270}},
        {1.5, ftNum182, "1.5", 1.5},
        {1234.5678, ftNum184, "1234.5678", 1234.5678},
        {TDateTime{44270.75}, ftDateTime, "44270.75", TDateTime{44270.75}},
        {"abc", ftStr, "abc", "abc"},
        {Value(), ftNum182, Value(), Value()},
    };
    for (const Case& c : cases) {
        const Value stored = db->VarToDBStrByFldType(c.value, c.type);
        EXPECT_EQ(stored, c.stored) << c.stored.asString().toStdString();
        EXPECT_EQ(db->DBStrToVarByFldType(stored, c.type), c.back) << c.stored.asString().toStdString();
    }
    // A date-time comes back to whole seconds.
    const TDateTime withMs = EncodeDateTime(2021, 3, 15, 9, 5, 7, 600);
    EXPECT_EQ(db->DBStrToVarByFldType(db->VarToDBStrByFldType(withMs, ftDateTime), ftDateTime),
              Value(EncodeDateTime(2021, 3, 15, 9, 5, 7)));
}
