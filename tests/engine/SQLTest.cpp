// The SQL builder: statement texts of the main shapes, and the rows each
// user's rights let through, run against the real database.
#include "support/ModelFixture.h"

#include "engine/TSQL.h"

#include <gtest/gtest.h>

using namespace korvanta;
using namespace korvanta::test;

class SQLTest : public ::testing::Test, public ModelFixture {
protected:
    // Keys of the rows a select returns, read by the alias of the base object's key.
    QList<qint64> Keys(TSQL& sql)
    {
        const QString key = QStringLiteral("T0") + sql.Obj()->PKFld->Field();
        auto q = db->CreateIBSQLS(false);
        q->SetSQL(sql.GetSelectSQL(true));
        sql.SetFltrParams(*q);
        QList<qint64> out;
        for (q->ExecQuery(); !q->Eof(); q->Next())
            out << q->FieldByName(key).asInteger();
        q->Close();
        std::sort(out.begin(), out.end());
        return out;
    }
    QList<qint64> Rows(std::initializer_list<QString> names)
    {
        QList<qint64> out;
        for (const QString& n : names)
            out << model.rows[n];
        std::sort(out.begin(), out.end());
        return out;
    }
};

TEST_F(SQLTest, EachUserSeesExactlyTheRowsTheRightsAllow)
{
    struct Case {
        const char* name;
        qint64 TestModel::*user;
        const char* table;
        std::initializer_list<QString> rows;
    } cases[] = {
        {"no UOA row", &TestModel::u2, "CITY", {}},
        {"no owner field", &TestModel::u1, "CITY", {"CITY:Москва", "CITY:Казань"}},
        {"owned records only", &TestModel::u1, "CLIENT", {"CLIENT:Альфа", "CLIENT:Бета", "CLIENT:Дельта"}},
        {"owned and ownerless", &TestModel::u2, "CLIENT", {"CLIENT:Альфа", "CLIENT:Бета", "CLIENT:Гамма", "CLIENT:Дельта"}},
        {"detail: group and user rows", &TestModel::u1, "ORD", {"ORD:1", "ORD:2"}},
        {"detail: user row and ownerless", &TestModel::u2, "ORD", {"ORD:3", "ORD:4"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoginAs(model.*c.user);
        TSQL sql(*list);
        sql.SetObj(Obj(c.table));
        sql.AddFld(Obj(c.table)->PKFld);
        EXPECT_EQ(Keys(sql), Rows(c.rows));
    }
}

TEST_F(SQLTest, MetadataObjectHasNoRightsJoins)
{
    LoginAs(model.u2);
    TSQL sql(*list);
    TObj* fld = Obj("FLD");
    sql.SetObj(fld);
    sql.AddFld(fld->PKFld);
    TJoin* obj = sql.AddJoin(nullptr, {fld->GetFldByField("OBJ_ID")});
    EXPECT_EQ(obj->Index, 1);
    sql.AddSelFld(Obj("OBJ")->GetFldByField("OBJ_TABLE"), obj);
    EXPECT_EQ(sql.GetSelectSQL(false),
              "select\n"
              "  T0.FLD_ID as T0FLD_ID,\n"
              "  T1.OBJ_TABLE as T1OBJ_TABLE\n"
              "from\n"
              "  FLD T0\n"
              "  join OBJ T1 on T1.OBJ_ID = T0.OBJ_ID");
}

TEST_F(SQLTest, OwnerLevelTextAndLinkJoins)
{
    LoginAs(model.u1);
    TSQL sql(*list);
    TObj* ord = Obj("ORDLINE");
    TObj* client = Obj("CLIENT");
    sql.SetObj(Obj("CLIENT"));
    sql.AddFld(client->PKFld);
    // Two columns of the parent through the same link share one join.
    TFldList toCity{client->GetFldByField("CITY_ID")};
    TJoin* city = sql.AddJoin(nullptr, toCity);
    EXPECT_EQ(city, sql.AddJoin(nullptr, toCity));
    sql.AddSelFld(Obj("CITY")->GetFldByField("NAME"), city);
    (void)ord;
    EXPECT_EQ(sql.GetSelectSQL(true),
              "select\n"
              "  T0.OWNER_ID as T0OWNER_ID,\n"
              "  T0.CLIENT_ID as T0CLIENT_ID,\n"
              "  T2.NAME as T2NAME\n"
              "from\n"
              "  CLIENT T0\n"
              "  left join CITY T2 on T2.CITY_ID = T0.CITY_ID\n"
              "  join UOA T1 on T1.USR_ID = " + QString::number(model.u1) + " and T1.OBJ_ID = " +
                  QString::number(client->Id()) + "\n"
              "where\n"
              "  (\n"
              "    (\n"
              "      T1.NOOWNACC_ID is not null\n"
              "    and\n"
              "      T0.OWNER_ID is null\n"
              "    )\n"
              "  or\n"
              "    (\n"
              "      T1.OWNACC_ID is not null\n"
              "    and\n"
              "      T0.OWNER_ID is not null\n"
              "    )\n"
              "  )");
    EXPECT_EQ(sql.OwnSQLFldIndex, 0);
}

TEST_F(SQLTest, DetailLevelAddsTheThreeRightsJoins)
{
    LoginAs(model.u1);  // Own Detail, NoOwn no access
    TSQL sql(*list);
    TObj* ord = Obj("ORD");
    sql.SetObj(ord);
    sql.AddFld(ord->PKFld);
    // A mandatory link from the root is an inner join; link joins start after the rights joins.
    TJoin* client = sql.AddJoin(nullptr, {ord->GetFldByField("CLIENT_ID")});
    EXPECT_EQ(client->Index, 5);
    EXPECT_FALSE(client->Left);
    const QString text = sql.GetSelectSQL(false);
    const QString u = QString::number(model.u1), o = QString::number(ord->Id());
    EXPECT_TRUE(text.contains("  join CLIENT T5 on T5.CLIENT_ID = T0.CLIENT_ID\n"
                              "  join UOA T1 on T1.USR_ID = " + u + " and T1.OBJ_ID = " + o + "\n"
                              "  left join UUA T2 on T2.UOA_ID = T1.UOA_ID and T2.USR_ID = T0.OWNER_ID\n"
                              "  join USR T3 on T3.USR_ID = T0.OWNER_ID\n"
                              "  left join UGA T4 on T4.UOA_ID = T1.UOA_ID and T4.USRGRP_ID = T3.USRGRP_ID\n"
                              "where\n"
                              "  (\n"
                              "    T2.UUA_ID is not null\n"
                              "  or\n"
                              "    T4.UGA_ID is not null\n"
                              "  )"))
        << text.toStdString();
    EXPECT_EQ(sql.GrpAccSQLFldIndex, 1);
    EXPECT_EQ(sql.UsrAccSQLFldIndex, 2);

    // With records without owner readable, USR is left-joined and ownerless rows pass.
    LoginAs(model.u2);
    TSQL sql2(*list);
    sql2.SetObj(ord);
    const QString text2 = sql2.GetSelectSQL(false);
    EXPECT_TRUE(text2.contains("  left join USR T3 on T3.USR_ID = T0.OWNER_ID\n")) << text2.toStdString();
    EXPECT_TRUE(text2.contains("  or\n    T0.OWNER_ID is null\n  )")) << text2.toStdString();
}

TEST_F(SQLTest, BuildingTwiceChangesNothingAndWritesCarryNoRights)
{
    LoginAs(model.u1);
    TSQL sql(*list);
    TObj* client = Obj("CLIENT");
    sql.SetObj(client);
    sql.AddFld(client->GetFldByField("NAME"));
    const QString first = sql.GetSelectSQL(true);
    EXPECT_EQ(sql.GetSelectSQL(true), first);
    EXPECT_EQ(sql.FltrList().size(), 0u);
    EXPECT_EQ(sql.GetUpdateSQL(), "update\n  CLIENT T0\nset\n  T0.OWNER_ID = :OWNER_ID,\n  T0.NAME = :NAME");
    EXPECT_EQ(sql.GetDeleteSQL(), "delete\nfrom\n  CLIENT T0");
    EXPECT_EQ(sql.GetInsertSQL(), "insert into\n  CLIENT\n(\n  OWNER_ID,\n  NAME\n) values (\n  :OWNER_ID,\n  :NAME\n)");
}

TEST_F(SQLTest, CountAndOneColumnUpdateAndEmptinessTest)
{
    LoginAs(model.u1);
    TSQL sql(*list);
    sql.NoAcc = true;
    TObj* client = Obj("CLIENT");
    sql.SetObj(client);
    TTblColumn layout;
    layout.Children.push_back(std::make_unique<TTblColumn>());
    layout.Children[0]->Fld = client->GetFldByField("NAME");
    layout.Children[0]->SortPos = 1;
    layout.Children[0]->Desc = true;
    sql.AddTbl(client->PKFld, layout);
    TFltr f(*list);
    f.AddChild(nullptr, -1, client->GetFldByField("OWNER_ID"), {}, true, fitEmpty, fitvNone, Value());
    sql.AddFltr(&f);
    EXPECT_EQ(sql.GetSelectSQL(true),
              "select\n  T0.CLIENT_ID as T0CLIENT_ID,\n  T0.NAME as T0NAME\nfrom\n  CLIENT T0\n"
              "where\n  T0.OWNER_ID is not null\norder by T0.NAME desc");
    EXPECT_EQ(layout.Children[0]->ColNum, 1);
    // A count never carries the order.
    EXPECT_EQ(sql.GetSelectSQL(true, true), "select\ncount(*)\nfrom\n  CLIENT T0\nwhere\n  T0.OWNER_ID is not null");
    auto q = db->CreateIBSQLS(false);
    q->SetSQL(sql.GetSelectSQL(true, true));
    sql.SetFltrParams(*q);
    q->ExecQuery();
    EXPECT_EQ(q->Field(0).asInteger(), 3);
    q->Close();

    TSQL upd(*list);
    upd.NoAcc = true;
    upd.SetObj(client);
    upd.AddFld(client->GetFldByField("NAME"));
    EXPECT_EQ(upd.GetUpdateSQL(), "update\n  CLIENT T0\nset\n  T0.NAME = :NAME");
}

TEST_F(SQLTest, SameParentThroughTwoLinksGetsTwoJoins)
{
    LoginAs(model.u1);
    TSQL sql(*list);
    TObj* client = Obj("CLIENT");
    sql.SetObj(client);
    // Both OWNER_ID and the order's OWNER_ID lead to USR; seen from ORD, USR through two paths.
    TObj* ord = Obj("ORD");
    TSQL s2(*list);
    s2.NoAcc = true;
    s2.SetObj(ord);
    TJoin* own = s2.AddJoin(nullptr, {ord->GetFldByField("OWNER_ID")});
    TJoin* clientOwner = s2.AddJoin(nullptr, {ord->GetFldByField("CLIENT_ID"), client->GetFldByField("OWNER_ID")});
    EXPECT_NE(own, clientOwner);
    EXPECT_EQ(own->Obj, clientOwner->Obj);
    EXPECT_TRUE(own->Left);          // optional link
    EXPECT_TRUE(clientOwner->Left);  // optional link below a mandatory one
    EXPECT_FALSE(clientOwner->Join->Left);
}

TEST_F(SQLTest, RefusesWhatItCannotTranslate)
{
    LoginAs(model.u1);
    TSQL sql(*list);
    EXPECT_MSG(sql.AddFld(nullptr), "TSQL: Объект не указан.");
    EXPECT_MSG(sql.GetSelectSQL(false), "TSQL: Объект не указан.");
    TObj* ord = Obj("ORD");
    sql.NoAcc = true;
    sql.SetObj(ord);
    sql.AddFld(ord->PKFld);
    for (TFltrItType t : {fitBetween, fitIn, fitExist}) {
        TFltr f(*list);
        f.AddChild(nullptr, -1, ord->GetFldByField("NUM"), {}, false, t, fitvConst, 1);
        sql.AddFltr(&f);
        EXPECT_MSG(sql.GetSelectSQL(false),
                   QStringLiteral("Условие вида \"%1\" не поддерживается в фильтрах. Измените фильтр.").arg(db->FltrItTypeToName(t)));
        sql.ExtractFltr(&f);
    }
    TFltr bad(*list);
    bad.AddChild(nullptr, fitEqual, fitvNone);
    sql.AddFltr(&bad);
    EXPECT_MSG(sql.GetSelectSQL(false), "TSQL.AddSQLFltrIt: Неизвестный тип узла дерева условий \"Равно\".");
}
