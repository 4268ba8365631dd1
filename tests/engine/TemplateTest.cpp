// Value templates: a record as a short text, and the list of records for a
// drop-down list.
#include "support/ModelFixture.h"

#include "engine/TFldTmpl.h"

#include <gtest/gtest.h>

using namespace korvanta;
using namespace korvanta::test;

class TemplateTest : public ::testing::Test, public ModelFixture {
protected:
    TemplateTest() { LoginAs(model.u1); }
};

TEST_F(TemplateTest, RecordsAsShortTexts)
{
    TObj* client = Obj("CLIENT");
    EXPECT_EQ(GetValueById(*list, client, model.rows["CLIENT:Альфа"]), "Альфа, Москва");
    // An empty optional link renders its slot empty.
    EXPECT_EQ(GetValueById(*list, client, model.rows["CLIENT:Дельта"]), "Дельта, ");
    // A record the user may not list is still shown by its template.
    EXPECT_EQ(GetValueById(*list, client, model.rows["CLIENT:Гамма"]), "Гамма, Москва");
    EXPECT_EQ(GetValueById(*list, client, 424242), ", ");
}

TEST_F(TemplateTest, AFieldNamedTwiceFillsBothPlaces)
{
    TObj* client = Obj("CLIENT");
    client->Set("OBJ_TMPL", "%s (%s)");
    auto again = std::make_unique<TObjValue>();
    again->Fld = client->TmplFldList[0]->Fld;
    client->TmplFldList[1] = std::move(again);
    EXPECT_EQ(GetValueById(*list, client, model.rows["CLIENT:Бета"]), "Бета (Бета)");
}

TEST_F(TemplateTest, DropDownListsWhatTheUserSeesSortedAfterAnEmptyEntry)
{
    TFldTmpl t(*list, Obj("CLIENT"));
    ASSERT_TRUE(t.CreateSQL(fttCombo));
    const auto entries = t.FillCombo();
    QStringList texts;
    for (const auto& [text, key] : entries)
        texts << text;
    EXPECT_EQ(texts, QStringList({"", "Альфа, Москва", "Бета, Казань", "Дельта, "}));
    EXPECT_TRUE(entries[0].second.isNull());
    EXPECT_EQ(entries[1].second, Value(model.rows["CLIENT:Альфа"]));
}

TEST_F(TemplateTest, ConfigurationFaults)
{
    TObj* city = Obj("CITY");  // no template items
    TFldTmpl combo(*list, city);
    EXPECT_FALSE(combo.CreateSQL(fttCombo));
    TFldTmpl value(*list, city);
    EXPECT_MSG(value.CreateSQL(fttValue, 1), "У объекта \"Город\" не указаны поля для шаблона значения.");
    TObj* client = Obj("CLIENT");
    client->Set("OBJ_TMPL", "%s");
    TFldTmpl wrongCount(*list, client);
    EXPECT_MSG(wrongCount.CreateSQL(fttValue, 1),
               "У объекта \"Клиент\" количество значений \"%s\" в шаблоне не соответствует количеству полей шаблона.");
    client->Set("OBJ_TMPL", Value());
    TFldTmpl empty(*list, client);
    EXPECT_MSG(empty.CreateSQL(fttValue, 1), "У объекта \"Клиент\" не указан шаблон значения.");
}
