// Filters: storage as a nested set with paths, loading, checks, the date
// functions at a fixed server clock, and the saved-filter list by access kind.
#include "support/ModelFixture.h"

#include "engine/TSQL.h"

#include <gtest/gtest.h>

using namespace korvanta;
using namespace korvanta::test;

class FilterTest : public ::testing::Test, public ModelFixture {
protected:
    FilterTest() { LoginAs(model.u1); }

    // A saved head for the object, with access kind `kind`, owned by `owner`.
    TFltr* NewFilter(const char* table, const char* name, TAccF kind, qint64 owner)
    {
        owned.push_back(std::make_unique<TFltr>(*list));
        TFltr* f = owned.back().get();
        f->Set("OBJ_ID", Obj(table)->Id());
        f->Set("FLTR_NAME", QString::fromUtf8(name));
        f->Set("ACCF_ID", db->AccFToCode(kind));
        f->Set("USR_ID", owner ? Value(owner) : Value());
        return f;
    }

    // Keys of ORD rows the filter lets through (no rights: the filter alone decides).
    QList<qint64> Orders(TFltr& f)
    {
        TSQL sql(*list);
        sql.NoAcc = true;
        sql.SetObj(Obj("ORD"));
        sql.AddFld(Obj("ORD")->GetFldByField("NUM"));
        sql.AddFltr(&f);
        auto q = db->CreateIBSQLS(false);
        q->SetSQL(sql.GetSelectSQL(false));
        sql.SetFltrParams(*q);
        QList<qint64> out;
        for (q->ExecQuery(); !q->Eof(); q->Next())
            out << q->Field(0).asInteger();
        q->Close();
        std::sort(out.begin(), out.end());
        return out;
    }

    std::vector<std::unique_ptr<TFltr>> owned;
};

namespace {
QStringList Shape(const TFltrIt* n, int depth = 0)
{
    QStringList out;
    if (!n)
        return out;
    out << QStringLiteral("%1%2 %3/%4 %5 %6")
               .arg(QString(depth * 2, u' '))
               .arg(static_cast<int>(n->Type_))
               .arg(n->Lft())
               .arg(n->Rgt())
               .arg(n->Path.TextPath() + (n->Fld ? n->Fld->Field() : QString()), n->Value_.asString());
    for (const auto& c : n->FltrItList)
        out << Shape(c.get(), depth + 1);
    return out;
}
}  // namespace

TEST_F(FilterTest, SavedTreeWithPathsLoadsBackTheSameTwice)
{
    TObj* ord = Obj("ORD");
    TObj* client = Obj("CLIENT");
    TFltr* f = NewFilter("ORD", "Московские крупные", afPerm, model.u1);
    TFltrIt* root = f->AddChildAnd(nullptr);
    TFldList toCity{ord->GetFldByField("CLIENT_ID"), client->GetFldByField("CITY_ID")};
    f->AddChild(root, -1, Obj("CITY")->GetFldByField("NAME"), toCity, false, fitEqual, fitvConst, "МОСКВА");
    f->AddChild(root, -1, ord->GetFldByField("AMOUNT"), {}, false, fitGreater, fitvConst, 100.25);
    f->Save();
    ASSERT_FALSE(f->Id().isNull());
    EXPECT_EQ(Shape(f->Root.get()),
              QStringList({"1 1/6  ", "  3 2/3 Клиент>Город>NAME МОСКВА", "  4 4/5 AMOUNT 100.25"}));

    TFltr loaded(*list);
    loaded.LoadById(f->Id().asInteger());
    EXPECT_EQ(Shape(loaded.Root.get()), Shape(f->Root.get()));
    EXPECT_EQ(loaded.Name(), "Московские крупные");
    // Saved again from what was loaded: same tree, same numbers, old rows replaced.
    loaded.Save();
    TFltr again(*list);
    again.LoadById(f->Id().asInteger());
    EXPECT_EQ(Shape(again.Root.get()), Shape(f->Root.get()));
    EXPECT_EQ(tdb.Query(QStringLiteral("select count(*) from FLTRIT where FLTR_ID = %1").arg(f->Id().asInteger())).asInteger(), 3);
    EXPECT_EQ(tdb.Query("select count(*) from FLTRITPT").asInteger(), 2);
    // Case-insensitive text: orders of Moscow clients over 100.25 (Альфа 100.5, Гамма 300).
    EXPECT_EQ(Orders(again), QList<qint64>({1, 3}));
}

TEST_F(FilterTest, BrokenTreesAndMissingFilters)
{
    TFltr* f = NewFilter("ORD", "Три", afPerm, model.u1);
    TFltrIt* root = f->AddChildOr(nullptr);
    f->AddChild(root, -1, Obj("ORD")->GetFldByField("NUM"), {}, false, fitEqual, fitvConst, 1);
    f->AddChild(root, -1, Obj("ORD")->GetFldByField("NUM"), {}, false, fitEqual, fitvConst, 3);
    f->Save();
    EXPECT_EQ(Orders(*f), QList<qint64>({1, 3}));
    const qint64 id = f->Id().asInteger();
    tdb.Exec({QStringLiteral("update FLTRIT set FLTRIT_LFT = 40, FLTRIT_RGT = 41 where FLTR_ID = %1 and FLTRIT_LFT = 4").arg(id)});
    TFltr broken(*list);
    EXPECT_MSG(broken.LoadById(id), "Дерево фильтра испорчено.");
    EXPECT_MSG(broken.LoadById(424242), "Не найден фильтр с кодом \"424242\"");
    EXPECT_MSG(broken.LoadBySId("nothing"), "Не найден фильтр с идентификатором \"nothing\"");

    // A filter without conditions is dropped by the list.
    TFltr* empty = NewFilter("ORD", "Пустой", afPerm, model.u1);
    empty->Save();
    tdb.Exec({QStringLiteral("update FLTRIT set FLTRIT_LFT = 4, FLTRIT_RGT = 5 where FLTR_ID = %1 and FLTRIT_LFT = 40").arg(id)});
    TFltrList fl(*list);
    fl.Load({empty->Id().asInteger(), id});
    ASSERT_EQ(fl.size(), 1u);
    EXPECT_TRUE(fl[0]->Tmpl);
    EXPECT_EQ(fl[0]->Name(), "Три");
}

TEST_F(FilterTest, CheckNamesTheFilterAndTheField)
{
    TObj* ord = Obj("ORD");
    TFltr f(*list);
    TFltrIt* root = f.AddChildAnd(nullptr);
    f.AddChild(root, -1, ord->GetFldByField("DT"), {}, false, fitEmpty, fitvNone, Value());
    f.Check();  // an emptiness test needs no value
    f.AddChild(root, -1, Obj("CLIENT")->GetFldByField("NAME"), {ord->GetFldByField("CLIENT_ID")}, false, fitEqual,
               fitvConst, Value());
    EXPECT_MSG(CheckFltr(f), "Ошибка в фильтре в условии для поля \"Клиент>Название\":\nУсловие должно иметь значение.");
    f.Set("FLTR_NAME", "Мой");
    EXPECT_MSG(CheckFltr(f), "Ошибка в фильтре \"Мой\" в условии для поля \"Клиент>Название\":\nУсловие должно иметь значение.");
    EXPECT_MSG(f.AddChildAnd(nullptr), "TFltr.AddChild: Корневой элемент уже создан.");
}

TEST_F(FilterTest, DateFunctionsFollowTheServerClockAndLags)
{
    // Orders are dated 28.02, 01.03, 15.03 and 01.04.2021.
    struct Case {
        const char* name;
        TDateTime now;
        TFltrItFn fn;
        int lag;
        TFltrItType type;
        QList<qint64> nums;
    } cases[] = {
        {"from the start of the month", EncodeDateTime(2021, 3, 17, 14, 25, 33), fifBegM, 0, fitGreaterEqual, {1, 2, 4}},
        {"from the start of last month", EncodeDateTime(2021, 3, 17, 14, 25), fifBegM, -1, fitGreaterEqual, {1, 2, 3, 4}},
        {"before this month", EncodeDateTime(2021, 3, 31, 23, 59), fifBegM, 0, fitLess, {3}},
        {"decade of the 15th", EncodeDateTime(2021, 3, 15, 8, 0), fifBegTd, 0, fitEqual, {}},
        {"decade back from the 11th", EncodeDateTime(2021, 3, 11, 8, 0), fifBegTd, -1, fitEqual, {1}},
        {"decade forward from the 21st", EncodeDateTime(2021, 3, 25, 8, 0), fifBegTd, 1, fitEqual, {4}},
        {"week of Monday 15.03", EncodeDateTime(2021, 3, 21, 8, 0), fifBegW, 0, fitEqual, {2}},
        {"last week from Monday 08.03", EncodeDateTime(2021, 3, 8, 8, 0), fifBegW, -1, fitEqual, {1}},
        {"today", EncodeDateTime(2021, 3, 15, 23, 0), fifCurD, 0, fitEqual, {2}},
        {"yesterday", EncodeDateTime(2021, 3, 2, 0, 1), fifBegD, -1, fitEqual, {1}},
        {"from the start of the quarter", EncodeDateTime(2021, 4, 5, 0, 0), fifBegQ, 0, fitGreaterEqual, {4}},
        {"year back", EncodeDateTime(2022, 1, 1, 0, 0), fifBegY, -1, fitGreaterEqual, {1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetClock(c.now);
        TFltr f(*list);
        f.AddChild(nullptr, -1, Obj("ORD")->GetFldByField("DT"), {}, false, c.type, fitvFunc, Value(), c.fn, nullptr,
                   c.lag ? Value(c.lag) : Value());
        EXPECT_EQ(Orders(f), c.nums);
    }
}

TEST_F(FilterTest, CurrentUserAndCurrentDateTimeParameters)
{
    SetClock(EncodeDateTime(2021, 3, 15, 14, 25, 33, 500));
    TSQL sql(*list);
    sql.NoAcc = true;
    sql.SetObj(Obj("ORD"));
    sql.AddFld(Obj("ORD")->GetFldByField("NUM"));
    TFltr mine(*list);
    mine.AddChild(nullptr, -1, Obj("ORD")->GetFldByField("OWNER_ID"), {}, false, fitEqual, fitvFunc, Value(), fifCurU);
    TFltr soon(*list);
    soon.AddChild(nullptr, -1, Obj("ORD")->GetFldByField("DT"), {}, false, fitLess, fitvFunc, Value(), fifCurDT,
                  nullptr, 2);
    sql.AddFltr(&mine);
    sql.AddFltr(&soon);
    auto q = db->CreateIBSQLS(false);
    q->SetSQL(sql.GetSelectSQL(false));
    sql.SetFltrParams(*q);
    EXPECT_EQ(q->ParamValue("0"), Value(model.u1));
    // Seconds and milliseconds are dropped, then the lag is added in days.
    EXPECT_EQ(q->ParamValue("1"), Value(EncodeDateTime(2021, 3, 17, 14, 25)));
    QList<qint64> nums;
    for (q->ExecQuery(); !q->Eof(); q->Next())
        nums << q->Field(0).asInteger();
    q->Close();
    EXPECT_EQ(nums, QList<qint64>{1});

    TFltr wrong(*list);
    wrong.AddChild(nullptr, -1, Obj("ORD")->GetFldByField("OWNER_ID"), {}, false, fitEqual, fitvFunc, Value(), fifBegM);
    TSQL s2(*list);
    s2.NoAcc = true;
    s2.SetObj(Obj("ORD"));
    s2.AddFltr(&wrong);
    EXPECT_MSG(s2.SetFltrParams(*q), "TSQL.SetFltrParams: Неизвестная функция \"Начало текущего месяца\" для поля-ссылки.");
}

TEST_F(FilterTest, SavedFilterListFollowsAccessKindsAndHiddenFiltersApply)
{
    // u1's own temporary filter, a permanent shared one, u2's private one, a
    // detail one granted to u1's group, and a hidden one that always applies.
    auto save = [&](const char* name, TAccF kind, qint64 owner) {
        TFltr* f = NewFilter("ORD", name, kind, owner);
        f->AddChild(nullptr, -1, Obj("ORD")->GetFldByField("NUM"), {}, false, fitLessEqual, fitvConst, 3);
        f->Save();
        return f->Id().asInteger();
    };
    save("А свой", afTemp, model.u1);
    save("Б общий", afPerm, model.u2);
    save("В чужой", afNoAcc, model.u2);
    const qint64 detail = save("Г по группе", afDetail, model.u2);
    const qint64 hidden = save("Д скрытый", afPermDefHide, model.u2);
    tdb.Exec({QStringLiteral("insert into FGA (FGA_ID, FLTR_ID, USRGRP_ID, ACCF_ID) values (gen_id(FGA_ID, 1), %1, %2, %3)")
                  .arg(detail).arg(model.managers).arg(db->AccFToCode(afPermDef).asInteger())});
    TFltrSaveList saved(*list);
    saved.Load("OBJ_ID", Obj("ORD")->Id());
    QStringList seen;
    for (const TFltrSave& s : saved)
        seen << QStringLiteral("%1:%2").arg(s.Name).arg(static_cast<int>(s.AccF));
    EXPECT_EQ(seen, QStringList({QStringLiteral("А свой:%1").arg(afTemp), QStringLiteral("Б общий:%1").arg(afPerm),
                                 QStringLiteral("Г по группе:%1").arg(afPermDef),
                                 QStringLiteral("Д скрытый:%1").arg(afPermDefHide)}));
    TFltrSaveList none(*list);
    none.Load("OBJ_ID", Value());
    EXPECT_TRUE(none.empty());

    // The hidden one restricts every list of the object.
    TSQL sql(*list);
    sql.NoAcc = true;
    sql.SetObj(Obj("ORD"));
    sql.AddFld(Obj("ORD")->GetFldByField("NUM"));
    sql.AddHideFltrs();
    ASSERT_EQ(sql.FltrList().size(), 1u);
    EXPECT_EQ(sql.FltrList()[0]->Id().asInteger(), hidden);
    sql.AddHideFltrs();  // again: still one
    EXPECT_EQ(sql.FltrList().size(), 1u);
}
