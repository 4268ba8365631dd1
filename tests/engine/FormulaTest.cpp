// Formulas: every function with its null, number and text rules, the text
// forms, and the validity messages, evaluated inside a record of an order.
#include "support/ModelFixture.h"

#include "engine/TRec.h"

#include <gtest/gtest.h>

using namespace korvanta;
using namespace korvanta::test;

namespace {

using Node = std::unique_ptr<TFrmlIt>;

Node C(const Value& v, TFldType type = ftNone)
{
    auto n = std::make_unique<TFrmlIt>();
    n->ConstValue = v;
    n->ConstType = type;
    return n;
}

Node Fd(TFld* f, TFldList path = {})
{
    auto n = std::make_unique<TFrmlIt>();
    n->FldValue = f;
    n->Path = std::move(path);
    return n;
}

template <typename... Kids>
Node F(TFrmlFunc func, Kids... kids)
{
    auto n = std::make_unique<TFrmlIt>();
    n->Func = func;
    (n->FrmlItList.push_back(std::move(kids)), ...);
    for (auto& k : n->FrmlItList)
        k->Parent = n.get();
    return n;
}

}  // namespace

class FormulaTest : public ::testing::Test, public ModelFixture {
protected:
    FormulaTest()
    {
        LoginAs(model.u1);
        rec = std::make_unique<TRec>(*list, Obj("ORD"));
        rec->SetDefaultValues();
        rec->RecItemByField("DT").InitValue(EncodeDate(2021, 3, 15).serial, false);
        rec->RecItemByField("AMOUNT").InitValue(150.5, false);
    }
    TFld* Field(const char* table, const char* field) { return Obj(table)->GetFldByField(field); }
    std::unique_ptr<TRec> rec;
};

TEST_F(FormulaTest, EveryFunctionWithItsNullNumberAndTextRules)
{
    const qint64 usd = model.rows["CURR:USD"], rub = model.rows["CURR:RUB"];
    const double mar12 = EncodeDate(2021, 3, 12).serial;
    struct Case {
        const char* name;
        Node tree;
        Value expected;
    };
    std::vector<Case> cases;
    auto add = [&](const char* name, Node tree, const Value& expected) { cases.push_back({name, std::move(tree), expected}); };
    add("add numbers", F(ffAdd, C(1), C(2), C(3)), 6);
    add("add floats", F(ffAdd, C(1.5), C(2)), 3.5);
    add("add text and number", F(ffAdd, C("№"), C(7)), "№7");
    add("add text and float", F(ffAdd, C("x="), C(2.5)), "x=2,5");
    add("add text and date field", F(ffAdd, C("Дата: "), Fd(Field("ORD", "DT"))), "Дата: 15.03.2021");
    add("add with null", F(ffAdd, C(1), C(Value())), Value());
    add("subtract", F(ffDed, C(10), C(3), C(2)), 5);
    add("subtract null", F(ffDed, C(Value()), C(3)), Value());
    add("multiply", F(ffMul, C(2), C(2.5)), 5.0);
    add("multiply null", F(ffMul, C(2), C(Value())), Value());
    add("divide", F(ffDiv, C(10), C(4)), 2.5);
    add("divide by zero", F(ffDiv, C(1), C(0)), Value());
    add("rate", F(ffRate, C(usd), C(mar12)), 73.25);
    add("rate on the first date", F(ffRate, C(usd), C(EncodeDate(2021, 3, 9).serial)), 74.5);
    add("base currency", F(ffRate, C(rub), C(mar12)), 1.0);
    add("rate without currency", F(ffRate, C(Value()), C(mar12)), Value());
    add("current date", F(ffCurD), EncodeDate(2021, 3, 17).serial);
    add("current date and time", F(ffCurDT), EncodeDateTime(2021, 3, 17, 14, 25, 33));
    add("current user", F(ffCurU), model.u1);
    add("if true", F(ffIf, C(1), C("да"), C("нет")), "да");
    add("if false", F(ffIf, C(0), C("да"), C("нет")), "нет");
    add("if null", F(ffIf, C(Value()), C("да"), C("нет")), Value());
    // Only the chosen branch runs: the other would fail (a currency without rates).
    add("if evaluates one branch", F(ffIf, C(1), C(7), F(ffRate, C(999), C(mar12))), 7);
    add("and 0 null", F(ffAnd, C(0), C(Value())), 0);
    add("and null 1", F(ffAnd, C(Value()), C(1)), 1);
    add("and 2 3", F(ffAnd, C(2), C(3)), 1);
    add("or 0 1 null", F(ffOr, C(0), C(1), C(Value())), 1);
    add("or 0 0", F(ffOr, C(0), C(0)), 0);
    add("equal int float", F(ffEqual, C(1), C(1.0)), 1);
    add("equal texts", F(ffEqual, C("a"), C("b")), 0);
    add("equal nulls", F(ffEqual, C(Value()), C(Value())), 1);
    add("greater", F(ffGreater, C(2), C(1)), 1);
    add("greater null", F(ffGreater, C(Value()), C(1)), 0);
    add("greater or equal", F(ffGreaterEqual, C(1), C(1)), 1);
    add("less texts", F(ffLess, C("a"), C("b")), 1);
    add("less or equal", F(ffLessEqual, C(2), C(1)), 0);
    add("empty null", F(ffEmpty, C(Value())), 1);
    add("empty zero", F(ffEmpty, C(0)), 0);
    add("containing", F(ffContaining, C("бв"), C("абв")), 1);
    add("containing empty", F(ffContaining, C(""), C("абв")), 0);
    add("containing case", F(ffContaining, C("Б"), C("абв")), 0);
    add("not zero", F(ffNot, C(0)), 1);
    add("not number", F(ffNot, C(5)), 0);
    add("not text", F(ffNot, C("x")), Value());
    add("round to hundredths", F(ffSimpleRoundTo, C(2.346), C(-2)), 2.35);
    add("round half away", F(ffSimpleRoundTo, C(-2.5), C(0)), -3.0);
    add("round decimal half", F(ffSimpleRoundTo, C(1.005), C(-2)), 1.01);
    add("round to hundreds", F(ffSimpleRoundTo, C(1250), C(2)), 1300.0);
    add("percent", F(ffPercent, C(200), C(50)), 25.0);
    add("percent of zero", F(ffPercent, C(0), C(5)), Value());
    add("number percent", F(ffNumberPercent, C(10), C(200)), 20.0);
    add("day", F(ffDayOf, Fd(Field("ORD", "DT"))), 15);
    add("month", F(ffMonthOf, Fd(Field("ORD", "DT"))), 3);
    add("year", F(ffYearOf, Fd(Field("ORD", "DT"))), 2021);
    add("week at the year's start", F(ffWeekOf, C(EncodeDate(2021, 1, 1).serial)), 53);
    add("week at the year's end", F(ffWeekOf, C(EncodeDate(2024, 12, 31).serial)), 1);
    add("day of a date-time value", F(ffDayOf, F(ffCurDT)), Value());
    add("field", F(ffMul, Fd(Field("ORD", "AMOUNT")), C(2)), 301.0);
    for (Case& c : cases) {
        const Value got = rec->CalcFrml(*c.tree);
        EXPECT_EQ(got, c.expected) << c.name << ": " << got.toLogText().toStdString();
        EXPECT_EQ(got.kind() == Value::Kind::Null, c.expected.isNull()) << c.name;
    }
}

TEST_F(FormulaTest, RatesAreCachedAndMissingRatesAreNamed)
{
    const qint64 usd = model.rows["CURR:USD"];
    const double mar12 = EncodeDate(2021, 3, 12).serial;
    rec->CalcFrml(*F(ffRate, C(usd), C(mar12)));
    const int queries = rec->CurrRateTable.Queries;
    rec->CalcFrml(*F(ffRate, C(usd), C(mar12)));
    EXPECT_EQ(rec->CurrRateTable.Queries, queries);
    EXPECT_MSG(rec->CalcFrml(*F(ffRate, C(usd), C(EncodeDate(2020, 1, 1).serial))),
               QStringLiteral("Курс не найден для валюты с кодом \"%1\" на дату \"01.01.2020\".").arg(usd));
}

TEST_F(FormulaTest, TextFormsWithParenthesesAndPaths)
{
    TDB& d = *db;
    struct Case {
        Node tree;
        const char* text;
    };
    std::vector<Case> cases;
    cases.push_back({F(ffDed, F(ffAdd, C(1), C(2)), F(ffMul, C(3), C(4))), "(1 + 2) - 3 * 4"});
    cases.push_back({F(ffMul, F(ffAdd, C(1), C(2)), F(ffDiv, C(3), C(4))), "(1 + 2) * (3 / 4)"});
    cases.push_back({F(ffAnd, F(ffEqual, C(1), C(2)), C(1)), "(1 = 2) и 1"});
    cases.push_back({F(ffOr, F(ffNot, C(0)), C(1)), "Не(0) или 1"});
    cases.push_back({F(ffContaining, C("а", ftStr), Fd(Field("CLIENT", "NAME"),
                                                         {Field("ORDLINE", "ORD_ID"), Field("ORD", "CLIENT_ID")})),
                     "'а' содержится в Заказ>Клиент>Название"});
    cases.push_back({F(ffIf, C(1), C(2.5, ftNum182), C(EncodeDate(2021, 3, 15).serial, ftDate)), "Если(1;2,5;15.03.2021)"});
    cases.push_back({F(ffCurD), "Текущая дата"});
    for (const Case& c : cases)
        EXPECT_EQ(c.tree->Text(d), QString::fromUtf8(c.text));
}

TEST_F(FormulaTest, ValidityMessages)
{
    TDB& d = *db;
    TFld* lineCnt = Field("ORD", "LINECNT");
    TFld* ordId = Field("ORDLINE", "ORD_ID");
    struct Case {
        Node tree;
        const char* message;
    };
    std::vector<Case> cases;
    cases.push_back({F(ffAdd, C(1)), "У функции должно быть 2 параметра или больше."});
    cases.push_back({F(ffCurD, C(1)), "У функции не должно быть параметров."});
    cases.push_back({F(ffIf, C(1), C(2)), "У функции должно быть 3 параметра."});
    cases.push_back({F(ffNot, C(1), C(2)), "У функции должен быть 1 параметр."});
    cases.push_back({F(ffEqual, C(1)), "У функции должно быть 2 параметра."});
    cases.push_back({F(ffAdd, C(1), F(ffParId)), "Функция может быть только корневым элементом иерархии формулы."});
    cases.push_back({F(ffInc, C(1)), "У функции параметром должно быть поле."});
    cases.push_back({F(ffInc, Fd(lineCnt)), "У функции параметром должно быть поле родительского объекта."});
    cases.push_back({F(ffInc, Fd(Field("ORD", "AMOUNT"), {ordId})), "У функции параметром должно быть поле типа \"Целое\"."});
    cases.push_back({F(ffMul, F(ffYearOf, C(1)), Fd(lineCnt)), nullptr});
    auto fieldWithKids = Fd(lineCnt);
    fieldWithKids->FrmlItList.push_back(C(1));
    cases.push_back({std::move(fieldWithKids), "У поля не должно быть параметров."});
    for (Case& c : cases) {
        TFrml frml;
        frml.RootFrmlIt = std::move(c.tree);
        const TFrmlIt* err = nullptr;
        QString msg;
        const bool valid = frml.isValid(d, err, msg);
        EXPECT_EQ(valid, c.message == nullptr) << msg.toStdString();
        if (c.message) {
            EXPECT_EQ(msg, QString::fromUtf8(c.message));
        }
    }
}
