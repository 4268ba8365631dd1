// The catalogue loaded from a real database with the test model.
#include "support/ModelFixture.h"

#include <gtest/gtest.h>

using namespace korvanta;
using namespace korvanta::test;

class CatalogueTest : public ::testing::Test, public ModelFixture {};

TEST_F(CatalogueTest, ObjectsFieldsAndLinks)
{
    // Objects in name order; the system tables describe themselves.
    const auto& objs = list->Objs();
    for (size_t i = 1; i < objs.size(); ++i)
        EXPECT_LE(objs[i - 1]->Name().compare(objs[i]->Name(), Qt::CaseInsensitive), 0);
    EXPECT_EQ(list->GetObjById(28)->Table(), "OBJ");
    EXPECT_TRUE(list->GetObjByTable("OBJ")->Meta());

    TObj* client = Obj("CLIENT");
    ASSERT_NE(client->PKFld, nullptr);
    EXPECT_EQ(client->PKFld->Field(), "CLIENT_ID");
    QStringList fields;
    for (TFld* f : client->FldList)
        fields << f->Field();
    EXPECT_EQ(fields, QStringList({"CLIENT_ID", "NAME", "CITY_ID", "OWNER_ID", "GRP_ID"}));
    TFld* city = client->GetFldByField("CITY_ID");
    EXPECT_EQ(city->FldType(), ftFK);
    EXPECT_EQ(city->FKObj, Obj("CITY"));
    EXPECT_EQ(city->FKRule(), fkNoAction);
    EXPECT_EQ(city->V("OBJ_ID_V").asInteger(), Obj("CITY")->Id());
    EXPECT_EQ(client->GetAccFld()->Field(), "OWNER_ID");
    EXPECT_EQ(client->GetObjTreeLink()->ParentObj, Obj("GRP"));
    EXPECT_EQ(Obj("CITY")->GetAccFld(), nullptr);

    TDep* ordClient = Obj("ORD")->ParentList.GetByFld(Obj("ORD")->GetFldByField("CLIENT_ID"));
    ASSERT_NE(ordClient, nullptr);
    EXPECT_EQ(ordClient->ParentObj, client);
    EXPECT_EQ(ordClient->FKRule(), fkCascade);
    EXPECT_EQ(ordClient->ChildName2(), "Заказы");  // no DEP_NAME: the child's list caption
    EXPECT_EQ(client->ChildDeps().GetByChiObjTable("ORD"), ordClient);
    EXPECT_EQ(list->GetDepById(ordClient->Id()), ordClient);

    TFldList path{Obj("ORD")->GetFldByField("CLIENT_ID"), client->GetFldByField("CITY_ID")};
    EXPECT_EQ(path.TextPath(), "Клиент>Город>");
    EXPECT_EQ(TFldList().TextPath(), "");

    // Value-template items of the system objects.
    ASSERT_EQ(list->GetObjByTable("USR")->TmplFldList.size(), 1u);
    EXPECT_EQ(list->GetObjByTable("USR")->TmplFldList[0]->Fld->Field(), "USR_NAME");
}

TEST_F(CatalogueTest, LookupsFailWithTheirMessages)
{
    EXPECT_MSG(list->GetObjById(9999), "Объект с кодом \"9999\" не найден.");
    EXPECT_MSG(list->GetObjByTable("fld"), "Объект с таблицей \"fld\" не найден.");
    EXPECT_MSG(list->GetFldById(99999), "Поле с кодом \"99999\" среди объектов не найдено.");
    EXPECT_MSG(list->GetDepById(99999), "Связь с кодом 99999 среди объектов не найдена.");
    EXPECT_MSG(Obj("CITY")->GetFldByField("X"), "TObj.GetFldByField: В объекте \"Город\" поле с именем \"X\" не найдено.");
    EXPECT_MSG(Obj("CITY")->GetFldBySId("Lft"), "TObj.GetFldBySId: В объекте \"Город\" поле с идентификатором \"Lft\" не найдено.");
    EXPECT_MSG(Obj("CITY")->GetObjTreeLink(), "TObj.GetObjTreeLink: У объекта \"Город\" связь с иерархией не найдена.");
    EXPECT_MSG(Obj("CITY")->FldList.GetFldById(1), "TFldList.GetFldById: В списке полей поле с кодом \"1\" не найдено.");
    EXPECT_MSG(Obj("CITY")->V("NOPE"), "TSObj.FldByField: Поле \"NOPE\" у объекта не найдено.");
}

TEST_F(CatalogueTest, ProgressIsReportedSevenTimesAndIsOptional)
{
    std::vector<std::tuple<int, int, int>> calls;
    TObjList again(*db);
    again.NotifyPosition = [&](int a, int b, int c) { calls.emplace_back(a, b, c); };
    again.Load();
    ASSERT_EQ(calls.size(), 7u);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(calls[i], std::make_tuple(0, 7, i + 1));
    TObjList silent(*db);
    silent.Load();  // without a callback
    EXPECT_EQ(silent.Objs().size(), again.Objs().size());
}

TEST_F(CatalogueTest, RightsRowsAndTheEffectiveLevel)
{
    LoginAs(model.u2);
    // No UOA row: no access and no flags.
    EXPECT_EQ(Obj("CITY")->UOA->Own(), aNoAcc);
    EXPECT_EQ(Obj("CITY")->UOA->NoOwn(), aNoAcc);
    EXPECT_TRUE(Obj("CITY")->UOA->Id().isNull());
    EXPECT_MSG(Obj("CITY")->CheckAdd(), "У вас нет доступа добавлять записи в объект \"Город\".");
    Obj("OBJ")->CheckAdd();  // metadata objects need no right

    LoginAs(model.u1);
    TObj* ord = Obj("ORD");
    EXPECT_EQ(ord->UOA->Own(), aDetail);
    EXPECT_TRUE(ord->UOA->AddNew());
    const Value full = db->AccToCode(aFull), readCrd = db->AccToCode(aReadCrd);
    struct Case {
        const char* name;
        Value own, grp, usr;
        TAcc required;
        bool granted;
    } cases[] = {
        {"user row wins over group row", model.u2, full, readCrd, aReadCrd, true},
        {"user row limits editing", model.u2, full, readCrd, aEdit, false},
        {"group row alone", model.u1, full, Value(), aFull, true},
        {"neither row", model.u3, Value(), Value(), aReadTbl, false},
        {"no owner follows NoOwn", Value(), Value(), Value(), aReadTbl, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ord->CanAcc(c.own, c.grp, c.usr, c.required), c.granted) << c.name;

    TObj* client = Obj("CLIENT");  // Own Full, NoOwn none
    EXPECT_TRUE(client->CanAcc(model.u3, Value(), Value(), aFull));
    EXPECT_FALSE(client->CanAcc(Value(), Value(), Value(), aReadTbl));
    TObj* city = Obj("CITY");  // no owner field, NoOwn ReadTbl
    EXPECT_TRUE(city->CanAcc(Value(), Value(), Value(), aReadTbl));
    EXPECT_FALSE(city->CanAcc(model.u1, Value(), Value(), aReadCrd));

    // Re-reading one object sees a change at once.
    tdb.Exec({QStringLiteral("update UOA set NOOWNACC_ID = %1 where USR_ID = %2 and OBJ_ID = %3")
                  .arg(db->AccToCode(aEdit).asInteger()).arg(model.u1).arg(city->Id())});
    city->ReadAcc();
    EXPECT_EQ(city->UOA->NoOwn(), aEdit);
}

TEST_F(CatalogueTest, FormulaTreesAreRebuiltFromNestedSets)
{
    TFld* amount = Obj("ORD")->GetFldByField("AMOUNT");
    TFld* qty = Obj("ORDLINE")->GetFldByField("QTY");
    TFld* price = Obj("ORDLINE")->GetFldByField("PRICE");
    const qint64 mul = db->FrmlFuncToCode(ffMul).asInteger();
    const qint64 add = db->FrmlFuncToCode(ffAdd).asInteger();
    // AMOUNT: (QTY * PRICE) + 1.5, as a nested set 1..10.
    tdb.Exec({QStringLiteral("insert into FRMLIT (FRMLIT_ID, FLD_ID, FRMLIT_LFT, FRMLIT_RGT, FRMLFUNC_ID) values (1001, %1, 1, 10, %2)").arg(amount->Id()).arg(add),
              QStringLiteral("insert into FRMLIT (FRMLIT_ID, FLD_ID, FRMLIT_LFT, FRMLIT_RGT, FRMLFUNC_ID) values (1002, %1, 2, 7, %2)").arg(amount->Id()).arg(mul),
              QStringLiteral("insert into FRMLIT (FRMLIT_ID, FLD_ID, FRMLIT_LFT, FRMLIT_RGT, FLD_ID_VALUE) values (1003, %1, 3, 4, %2)").arg(amount->Id()).arg(qty->Id()),
              QStringLiteral("insert into FRMLIT (FRMLIT_ID, FLD_ID, FRMLIT_LFT, FRMLIT_RGT, FLD_ID_VALUE) values (1004, %1, 5, 6, %2)").arg(amount->Id()).arg(price->Id()),
              QStringLiteral("insert into FRMLIT (FRMLIT_ID, FLD_ID, FRMLIT_LFT, FRMLIT_RGT, FLDTYPE_ID, FRMLIT_VALUE) values (1005, %1, 8, 9, %2, '1.5')").arg(amount->Id()).arg(db->FldTypeToCode(ftNum182).asInteger())});
    TObjList again(*db);
    again.Load();
    TFrmlIt* root = again.GetObjByTable("ORD")->GetFldByField("AMOUNT")->Frml.RootFrmlIt.get();
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->FrmlItList.size(), 2u);
    EXPECT_EQ(root->FrmlItList[0]->FrmlItList.size(), 2u);
    EXPECT_EQ(root->FrmlItList[0]->FrmlItList[1]->FldValue->Field(), "PRICE");
    EXPECT_EQ(root->FrmlItList[1]->ConstValue, Value(1.5));
    EXPECT_EQ(again.GetFrmlItById(1004)->Parent->Id(), 1002);

    // A row that fits nowhere is a damaged tree.
    tdb.Exec({QStringLiteral("update FRMLIT set FRMLIT_LFT = 20, FRMLIT_RGT = 21 where FRMLIT_ID = 1005")});
    TObjList broken(*db);
    EXPECT_MSG(broken.Load(), "TObjList.LoadFrml: Нарушение структуры иерархии формулы для поля \"Сумма\".");
}
