// Values, serial dates, rounding, message formats and the parameter translation.
#include "support/Expect.h"

#include "db/ExceptionPos.h"
#include "db/FbClient.h"
#include "db/Identifiers.h"
#include "db/Value.h"
#include "db/ValueText.h"

#include <ctime>
#include <gtest/gtest.h>

using namespace korvanta;

TEST(RoundTo, HalvesGoAwayFromZeroOnTheDecimalValue)
{
    struct Case {
        double in;
        int decimals;
        double out;
    } cases[] = {
        {1.005, 2, 1.01},   {-1.005, 2, -1.01}, {2.675, 2, 2.68},  {1.0049, 2, 1.0},
        {0.5, 0, 1.0},      {-0.5, 0, -1.0},    {9.995, 2, 10.0},  {999.9995, 3, 1000.0},
        {0.0004, 2, 0.0},   {0.005, 2, 0.01},   {1234.5, 2, 1234.5}, {1.00005, 4, 1.0001},
        {123456789012.345, 2, 123456789012.35}, {0.0, 2, 0.0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(RoundTo(c.in, c.decimals), c.out) << c.in << " at " << c.decimals;
}

TEST(SerialDates, CountDaysFromThe30thOfDecember1899)
{
    EXPECT_EQ(SerialFromDate(QDate(1899, 12, 30)), 0);
    EXPECT_EQ(SerialFromDate(QDate(2021, 3, 15)), 44270);
    EXPECT_EQ(DateFromSerial(44270.75), QDate(2021, 3, 15));
    EXPECT_EQ(DateTimeFromSerial(44270.75), QDateTime(QDate(2021, 3, 15), QTime(18, 0)));
    // Before the epoch the fraction still counts from midnight of that day.
    EXPECT_EQ(DateTimeFromSerial(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    EXPECT_DOUBLE_EQ(SerialFromDateTime(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), -1.25);
    EXPECT_EQ(EncodeDateTime(2024, 2, 29, 23, 59, 59).serial,
              SerialFromDateTime(QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59))));
}

TEST(ValueConversions, FollowThePlatformRules)
{
    EXPECT_EQ(Value("42").asInteger(), 42);
    EXPECT_EQ(Value(true).asInteger(), 1);
    EXPECT_TRUE(Value(1) == Value(1.0));
    EXPECT_FALSE(Value(1) == Value("1"));
    EXPECT_EQ(Value(1.5).asString(), "1.5");
    EXPECT_EQ(Value().asString(), "");
    try {
        Value().asInteger();
        FAIL();
    } catch (const ExceptionPos& e) {
        EXPECT_EQ(e.message(), "Variant is null");
    }
    try {
        Value("x1").asInteger();
        FAIL();
    } catch (const ExceptionPos& e) {
        EXPECT_EQ(e.message(), "'x1' is not a valid integer value");
    }
}

TEST(Format, FillsPlaceholdersInOrderAndByIndex)
{
    EXPECT_EQ(Format("В таблице \"%s\" обновилось не %d записей, а %d записей.", {"T", 1, 0}),
              "В таблице \"T\" обновилось не 1 записей, а 0 записей.");
    EXPECT_EQ(Format("alter table %s add constraint PK_%s primary key (%1:s)", {"ABC", "ABC_ID"}),
              "alter table ABC add constraint PK_ABC_ID primary key (ABC_ID)");
    EXPECT_EQ(Format("%0:s_%2:s %1:s %s", {"a", "b", "c", "d"}), "a_c b c");
    EXPECT_EQ(Format("100%%", {}), "100%");
}

TEST(TranslateParams, ReplacesNamesOutsideLiteralsAndComments)
{
    struct Case {
        const char* sql;
        const char* out;
        QStringList names;
    } cases[] = {
        {"select * from T where A = :A and B = :AB", "select * from T where A = ? and B = ?", {"A", "AB"}},
        {"update T set A = :A where A = :wA", "update T set A = ? where A = ?", {"A", "wA"}},
        {"select ':X' from T where \"a:b\" = :Y -- :Z\n and C = :X", "select ':X' from T where \"a:b\" = ? -- :Z\n and C = ?", {"Y", "X"}},
        {"select 'it''s :X' from T /* :Q */ where A = :A", "select 'it''s :X' from T /* :Q */ where A = ?", {"A"}},
        {"select A from T where A = :A or B = :A", "select A from T where A = ? or B = ?", {"A", "A"}},
        {"select * from T T0 where T0.A = :0 and T0.B >= :12", "select * from T T0 where T0.A = ? and T0.B >= ?", {"0", "12"}},
    };
    for (const Case& c : cases) {
        QStringList names;
        EXPECT_EQ(TranslateParams(QString::fromUtf8(c.sql), names), QString::fromUtf8(c.out));
        EXPECT_EQ(names, c.names) << c.sql;
    }
}

TEST(Identifiers, AreCheckedBeforeTheyReachSql)
{
    struct Case {
        const char* name;
        bool ok;
    } cases[] = {
        {"CLIENT", true},   {"FLD_ID_VALUE", true}, {"A1_B2", true},
        {"client", false},  {"1ABC", false},        {"_ABC", false},
        {"AB C", false},    {"AB;DROP", false},     {"КЛИЕНТ", false},
        {"", false},        {"SELECT", false},      {"ORDER", false},
        {"USER", false},    {"ABCDEFGHIJKLMNOPQRSTUVWXYZ01234", true},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IdentifierProblem(QString::fromUtf8(c.name)).isEmpty(), c.ok) << c.name;
    EXPECT_EQ(IdentifierProblem("ORDER"), "Имя \"ORDER\" недопустимо: это зарезервированное слово базы данных.");
}

TEST(StartOfThe, PeriodStartsAndLags)
{
    struct Case {
        QDate date;
        TDateGrp grp;
        int lag;
        QDate expected;
    } cases[] = {
        {QDate(2021, 1, 31), dgDecade, 0, QDate(2021, 1, 21)},
        {QDate(2021, 1, 31), dgDecade, 1, QDate(2021, 2, 1)},
        {QDate(2021, 1, 31), dgDecade, -1, QDate(2021, 1, 11)},
        {QDate(2021, 3, 1), dgDecade, -1, QDate(2021, 2, 21)},
        {QDate(2021, 3, 15), dgDecade, 2, QDate(2021, 4, 1)},
        {QDate(2021, 3, 5), dgDecade, -3, QDate(2021, 2, 1)},
        {QDate(2021, 8, 15), dgQuarter, -1, QDate(2021, 4, 1)},
        {QDate(2021, 8, 15), dgHalfyear, 1, QDate(2022, 1, 1)},
        {QDate(2021, 8, 15), dgYear, -2, QDate(2019, 1, 1)},
        {QDate(2021, 3, 31), dgMonth, -1, QDate(2021, 2, 1)},
        {QDate(2021, 1, 3), dgWeek, 0, QDate(2020, 12, 28)},  // a Sunday: the week began on Monday
        {QDate(2021, 1, 4), dgWeek, 1, QDate(2021, 1, 11)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DateFromSerial(StartOfThe(TDateTime{SerialFromDate(c.date) + 0.5}, c.grp, c.lag).serial),
                  c.expected)
            << c.date.toString(Qt::ISODate).toStdString() << " grp " << c.grp << " lag " << c.lag;
    // A day keeps its time; a lag of one adds exactly 24 hours.
    const TDateTime noon = EncodeDateTime(2021, 3, 15, 12, 30);
    EXPECT_EQ(StartOfThe(noon, dgDay, 0), noon);
    EXPECT_DOUBLE_EQ(StartOfThe(noon, dgDay, 1).serial, noon.serial + 1);
    for (auto [grp, msg] : {std::pair{dgNone, "TMain.StartOfThe: Не указана группировка даты."},
                            std::pair{static_cast<TDateGrp>(42), "TMain.StartOfThe: Неизвестная группировка даты."}}) {
        try {
            StartOfThe(noon, grp, 0);
            FAIL();
        } catch (const ExceptionPos& e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(msg));
        }
    }
}

TEST(SerialDates, KnowNoDaylightSavingGaps)
{
    // 02:30 on 28 March 2021 does not exist in Berlin; a serial date-time has no zone.
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const TDateTime t = EncodeDateTime(2021, 3, 28, 2, 30);
    EXPECT_EQ(DateTimeFromSerial(t.serial).time(), QTime(2, 30));
    EXPECT_DOUBLE_EQ(t.serial, SerialFromDate(QDate(2021, 3, 28)) + 2.5 / 24);
    qunsetenv("TZ");
    tzset();
}
