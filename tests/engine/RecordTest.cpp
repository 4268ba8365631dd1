// Records against the real database: insert and update, statements that are
// not run, rounding and cutting, violations, formulas through links, the
// counter under two connections, copying children, rights.
#include "support/ModelFixture.h"

#include "engine/TRec.h"

#include <gtest/gtest.h>
#include <set>
#include <thread>

using namespace korvanta;
using namespace korvanta::test;

class RecordTest : public ::testing::Test, public ModelFixture {
protected:
    RecordTest() { LoginAs(model.u1); }

    // Runs f in a committed change transaction (rolled back when it throws).
    template <typename F>
    void Write(F&& f)
    {
        ChangeTransaction tr(*db);
        f();
        tr.Commit();
    }
    std::unique_ptr<TRec> NewRec(const char* table)
    {
        auto r = std::make_unique<TRec>(*list, Obj(table));
        r->SetDefaultValues();
        return r;
    }
    std::unique_ptr<TRec> Load(const char* table, const Value& id)
    {
        auto r = std::make_unique<TRec>(*list, Obj(table));
        r->AddAllToSelect();
        r->SetRecId(id);
        return r;
    }
};

TEST_F(RecordTest, InsertAndUpdateReadBackEqual)
{
    auto r = NewRec("ORD");
    r->RecItemByField("CLIENT_ID").SetValue(model.rows["CLIENT:Альфа"]);
    r->RecItemByField("NUM").SetValue(77);
    r->RecItemByField("DT").SetValue(EncodeDate(2021, 5, 9).serial);
    r->RecItemByField("AMOUNT").SetValue(1.005);  // halves away from zero: 1.01
    r->RecItemByField("OWNER_ID").SetValue(model.u1);
    Write([&] { r->Post(); });
    ASSERT_FALSE(r->RecId.isNull());
    auto back = Load("ORD", r->RecId);
    EXPECT_EQ(back->RecItemByField("NUM").value(), Value(77));
    EXPECT_EQ(back->RecItemByField("DT").value(), Value(EncodeDate(2021, 5, 9).serial));
    EXPECT_EQ(back->RecItemByField("AMOUNT").value(), Value(1.01));
    EXPECT_EQ(tdb.Query(QStringLiteral("select AMOUNT from ORD where ORD_ID = %1").arg(r->RecId.asInteger())).asDouble(), 1.01);

    back->RecItemByField("AMOUNT").SetValue(2.675);
    Write([&] { back->Post(); });
    EXPECT_EQ(Load("ORD", r->RecId)->RecItemByField("AMOUNT").value(), Value(2.68));
}

TEST_F(RecordTest, UnchangedUpdateAndUntouchedDefaultsRunNothing)
{
    auto r = Load("ORD", model.rows["ORD:1"]);
    SqlLogCapture log;
    Write([&] { r->Post(); });
    EXPECT_FALSE(log.Text().contains("update")) << log.Text().toStdString();

    LoginAs(1);  // the administrator may add currencies
    auto c = NewRec("CURR");
    c->RecItemByField("CURR_NAME").SetValue("EUR");
    log.Clear();
    Write([&] { c->Post(); });
    // CURR_BASE has "default 0" and was never touched: the insert leaves it to the database.
    EXPECT_TRUE(log.Text().contains("insert into\n  CURR\n(\n  CURR_ID,\n  CURR_NAME\n)")) << log.Text().toStdString();
}

TEST_F(RecordTest, ValuesAreConvertedByFieldType)
{
    auto c = NewRec("CURR");
    EXPECT_MSG(c->RecItemByField("CURR_BASE").SetValue(2),
               "TRecItem.SetValue: Недопустимое значение \"2\" для логического поля \"Базовая\".");
    c->RecItemByField("CURR_BASE").SetValue(true);
    EXPECT_EQ(c->RecItemByField("CURR_BASE").value(), Value(1));
    auto o = NewRec("ORD");
    o->RecItemByField("NUM").SetValue(2.5);
    EXPECT_EQ(o->RecItemByField("NUM").value(), Value(3));
    o->RecItemByField("DT").SetValue(EncodeDateTime(2021, 3, 15, 18, 30));
    EXPECT_EQ(o->RecItemByField("DT").value(), Value(EncodeDate(2021, 3, 15).serial));
    o->RecItemByField("NUM").SetValue(Value());
    EXPECT_MSG(o->RecItemByField("NUM").AsInteger(), "Variant is null");
}

TEST_F(RecordTest, LongCyrillicTextIsCutByCharactersWhenWritten)
{
    auto line = std::make_unique<TRec>(*list, Obj("ORDLINE"));
    line->SetDefaultValues(Obj("ORDLINE")->ParentList.GetByFld(Obj("ORDLINE")->GetFldByField("ORD_ID")),
                           model.rows["ORD:1"]);
    line->RecItemByField("CLIENTNAME").SetValue("Длинное название клиента");
    // The value is kept whole until it is written.
    EXPECT_EQ(line->RecItemByField("CLIENTNAME").AsString(), "Длинное название клиента");
    Write([&] { line->Post(); });
    EXPECT_EQ(tdb.Query(QStringLiteral("select CLIENTNAME from ORDLINE where ORDLINE_ID = %1").arg(line->RecId.asInteger()))
                  .asString(),
              "Длинное на");
}

TEST_F(RecordTest, ViolationsGiveTheSystemsMessagesAndRollBack)
{
    LoginAs(model.u2);  // may add clients
    auto odd = NewRec("CLIENT");
    odd->RecItemByField("NAME").SetValue("Эпсилон, (тест) \"1\"");
    Write([&] { odd->Post(); });
    struct Case {
        const char* name;
        const char* table;
        std::function<void(TRec&)> fill;
        QString message;
    } cases[] = {
        {"unique", "CLIENT", [](TRec& r) { r.RecItemByField("NAME").SetValue("Альфа"); },
         "Попытка нарушения уникальности полей (Название = 'Альфа') объекта \"Клиент\"."},
        {"unique with commas and brackets", "CLIENT", [](TRec& r) { r.RecItemByField("NAME").SetValue("Эпсилон, (тест) \"1\""); },
         "Попытка нарушения уникальности полей (Название = 'Эпсилон, (тест) \"1\"') объекта \"Клиент\"."},
        {"foreign key", "CLIENT", [](TRec& r) {
             r.RecItemByField("NAME").SetValue("Новый");
             r.RecItemByField("CITY_ID").SetValue(999999);
         },
         "Попытка нарушения целостности поля \"Город\" объекта \"Клиент\"."},
        {"mandatory", "CLIENT", [](TRec&) {}, "Поле \"Название\" обязательно к заполнению."},
    };
    const qint64 before = tdb.Query("select count(*) from CLIENT").asInteger();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = NewRec(c.table);
        c.fill(*r);
        EXPECT_MSG(Write([&] { r->Post(); }), c.message);
        EXPECT_FALSE(db->ActiveTransaction());
        EXPECT_EQ(tdb.Query("select count(*) from CLIENT").asInteger(), before);
    }
}

TEST_F(RecordTest, RightsOnLoadingAndEditing)
{
    // Order 4 belongs to u3: u1 has neither a user nor a group row for him.
    EXPECT_MSG(Load("ORD", model.rows["ORD:4"]), "Запись объекта \"Заказ\" не найдена или у вас нет к ней доступа.");
    // Order 2 belongs to u2: u1 may open it but not edit it (the user row gives ReadCrd).
    auto r = Load("ORD", model.rows["ORD:2"]);
    EXPECT_TRUE(r->CanAcc(aReadCrd));
    EXPECT_FALSE(r->CanAcc(aEdit));
    r->RecItemByField("NUM").SetValue(5);
    EXPECT_MSG(Write([&] { r->Post(); }), "У вас нет доступа редактировать эту запись объекта \"Заказ\".");
    LoginAs(model.u2);
    auto city = NewRec("CITY");
    city->RecItemByField("NAME").SetValue("Тверь");
    EXPECT_MSG(Write([&] { city->Post(); }), "У вас нет доступа добавлять записи в объект \"Город\".");
}

TEST_F(RecordTest, FormulasThroughLinksParentReferenceAndCounter)
{
    TDep* toOrder = Obj("ORDLINE")->ParentList.GetByFld(Obj("ORDLINE")->GetFldByField("ORD_ID"));
    auto line = std::make_unique<TRec>(*list, Obj("ORDLINE"));
    line->SetDefaultValues(toOrder, model.rows["ORD:1"]);
    // Through two links: the order's client's name; the parent's client copied; a line number.
    EXPECT_EQ(line->RecItemByField("CLIENTNAME").AsString(), "Альфа");
    EXPECT_EQ(line->RecItemByField("CLIENT_ID").value(), Value(model.rows["CLIENT:Альфа"]));
    EXPECT_EQ(line->RecItemByField("LINENO").value(), Value(1));
    line->RecItemByField("QTY").SetValue(3);
    line->RecItemByField("PRICE").SetValue(2.5);
    EXPECT_EQ(line->RecItemByField("LINESUM").value(), Value(7.5));
    // Moving the line to another order refetches through the links.
    line->RecItemByField("ORD_ID").SetValue(model.rows["ORD:2"]);
    EXPECT_EQ(line->RecItemByField("CLIENTNAME").AsString(), "Бета");
    auto second = std::make_unique<TRec>(*list, Obj("ORDLINE"));
    second->SetDefaultValues(toOrder, model.rows["ORD:1"]);
    EXPECT_EQ(second->RecItemByField("LINENO").value(), Value(2));
    // Without a parent the parent reference stays empty.
    auto orphan = NewRec("ORDLINE");
    EXPECT_TRUE(orphan->RecItemByField("CLIENT_ID").value().isNull());
    EXPECT_TRUE(orphan->RecItemByField("LINENO").value().isNull());
    // The rate of the order's currency on its date.
    auto ord = NewRec("ORD");
    ord->RecItemByField("DT").SetValue(EncodeDate(2021, 3, 12).serial);
    ord->RecItemByField("CURR_ID").SetValue(model.rows["CURR:USD"]);
    EXPECT_EQ(ord->RecItemByField("RATE").value(), Value(73.25));
}

TEST_F(RecordTest, TwoConnectionsNeverShareACounterValue)
{
    const qint64 order = model.rows["ORD:3"];
    list.reset();
    db->Disconnect();
    std::vector<qint64> numbers[2];
    auto worker = [&](std::vector<qint64>& out) {
        TDB d;
        d.SetConnectParams(tdb.params());
        d.SetServerLink(std::make_unique<FixedClock>(EncodeDate(2021, 3, 17)));
        d.Connect();
        d.CurrentUserId = model.u1;
        TObjList l(d);
        l.Load();
        TObj* lines = l.GetObjByTable("ORDLINE");
        TDep* toOrder = lines->ParentList.GetByFld(lines->GetFldByField("ORD_ID"));
        TRec rec(l, lines);
        for (int i = 0; i < 1000; ++i) {
            rec.SetDefaultValues(toOrder, order);
            out.push_back(rec.RecItemByField("LINENO").AsInteger());
        }
    };
    std::thread a(worker, std::ref(numbers[0])), b(worker, std::ref(numbers[1]));
    a.join();
    b.join();
    std::set<qint64> all(numbers[0].begin(), numbers[0].end());
    all.insert(numbers[1].begin(), numbers[1].end());
    EXPECT_EQ(all.size(), 2000u);
    EXPECT_EQ(*all.begin(), 1);
    EXPECT_EQ(*all.rbegin(), 2000);
    EXPECT_EQ(tdb.Query(QStringLiteral("select LINECNT from ORD where ORD_ID = %1").arg(order)).asInteger(), 2000);
}

TEST_F(RecordTest, CopyingAnOrderCopiesItsLinesToTheNewOrder)
{
    const qint64 source = model.rows["ORD:1"];
    auto copy = NewRec("ORD");
    copy->CopyChilds = true;
    copy->RecItemByField("CLIENT_ID").SetValue(model.rows["CLIENT:Альфа"]);
    copy->RecItemByField("OWNER_ID").SetValue(model.u1);
    copy->RecItemByField("COPY_OF").SetValue(source);
    Write([&] { copy->Post(); });
    const qint64 id = copy->RecId.asInteger();
    EXPECT_EQ(tdb.Query(QStringLiteral("select count(*) from ORDLINE where ORD_ID = %1").arg(id)).asInteger(), 1);
    EXPECT_EQ(tdb.Query(QStringLiteral("select QTY from ORDLINE where ORD_ID = %1").arg(id)).asInteger(), 2);
    // The source keeps its own line.
    EXPECT_EQ(tdb.Query(QStringLiteral("select count(*) from ORDLINE where ORD_ID = %1").arg(source)).asInteger(), 1);
}

TEST_F(RecordTest, AFormulaCycleStopsWithABeepAndChangesNothing)
{
    TObj* lines = Obj("ORDLINE");
    TFld* qty = lines->GetFldByField("QTY");
    TFld* price = lines->GetFldByField("PRICE");
    auto plusOne = [](TFld* f) {
        auto add = std::make_unique<TFrmlIt>();
        add->Func = ffAdd;
        auto a = std::make_unique<TFrmlIt>();
        a->FldValue = f;
        auto b = std::make_unique<TFrmlIt>();
        b->ConstValue = 1;
        add->FrmlItList.push_back(std::move(a));
        add->FrmlItList.push_back(std::move(b));
        return add;
    };
    qty->Frml.RootFrmlIt = plusOne(price);
    qty->Set("FLD_HASFRML", 1);
    price->Frml.RootFrmlIt = plusOne(qty);
    price->Set("FLD_HASFRML", 1);
    int beeps = 0;
    TRec rec(*list, lines);
    rec.Beep = [&] { ++beeps; };
    rec.SetDefaultValues();
    EXPECT_GE(beeps, 1);
    EXPECT_TRUE(rec.RecItemByField("QTY").value().isNull());
    EXPECT_TRUE(rec.RecItemByField("PRICE").value().isNull());
}
