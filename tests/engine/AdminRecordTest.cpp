// korvanta-admin show and post on the test model.
#include "support/ModelFixture.h"

#include <QProcess>
#include <gtest/gtest.h>

using namespace korvanta;
using namespace korvanta::test;

class AdminRecordTest : public ::testing::Test, public ModelFixture {
protected:
    AdminRecordTest()
    {
        list.reset();
        db->Disconnect();  // the embedded engine: one process holds the file
    }
    std::tuple<int, QString, QString> Run(const QString& command, const QStringList& args)
    {
        QProcess p;
        p.start(QStringLiteral(KORVANTA_BIN_DIR "/korvanta-admin"), QStringList{command, "--db", tdb.path()} + args);
        p.waitForFinished(60000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError()).trimmed()};
    }
};

TEST_F(AdminRecordTest, ShowsARecordAsItsCardDoes)
{
    auto [rc, out, err] = Run("show", {"--user", "u1", "ORD", QString::number(model.rows["ORD:1"])});
    ASSERT_EQ(rc, 0) << err.toStdString();
    EXPECT_TRUE(out.contains("CLIENT_ID\tКлиент\tАльфа, Москва\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("DT\tДата\t01.03.2021\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("AMOUNT\tСумма\t100,5\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("OWNER_ID\tМенеджер\tИванов\n")) << out.toStdString();

    auto [rc2, out2, err2] = Run("show", {"--user", "u1", "ORD", QString::number(model.rows["ORD:4"])});
    EXPECT_EQ(rc2, 1);
    EXPECT_EQ(err2, "Запись объекта \"Заказ\" не найдена или у вас нет к ней доступа.");
}

TEST_F(AdminRecordTest, PostsThroughTheRecordWithEveryCheck)
{
    const QString client = QString::number(model.rows["CLIENT:Бета"]);
    auto [rc, out, err] = Run("post", {"--user", "u1", "ORD", "CLIENT_ID=" + client, "NUM=5", "DT=15.03.2021",
                                       "AMOUNT=1 234,567", "OWNER_ID=" + QString::number(model.u1)});
    ASSERT_EQ(rc, 0) << err.toStdString();
    const QString id = out.section(u' ', 1, 1);
    EXPECT_EQ(out, QStringLiteral("Запись %1 объекта \"Заказ\" сохранена.\n").arg(id));
    auto [rc2, shown, err2] = Run("show", {"--user", "u1", "ORD", id});
    EXPECT_TRUE(shown.contains("AMOUNT\tСумма\t1234,57\n")) << shown.toStdString();

    struct Case {
        QStringList args;
        const char* err;
    } cases[] = {
        {{"--user", "u1", "ORD", QString::number(model.rows["ORD:2"]), "NUM=9"},
         "У вас нет доступа редактировать эту запись объекта \"Заказ\"."},
        {{"--user", "u1", "ORD", "AMOUNT=abc"}, "Ошибка преобразования строки \"abc\" в тип поля \"Число (2 знака)\"."},
        {{"--user", "u1", "ORD", "NUM=1"}, "Поле \"Клиент\" обязательно к заполнению."},
        {{"--user", "u1", "ORD", "NOPE=1"}, "TObj.GetFldByField: В объекте \"Заказ\" поле с именем \"NOPE\" не найдено."},
    };
    for (const Case& c : cases) {
        auto [rc3, out3, err3] = Run("post", c.args);
        EXPECT_EQ(rc3, 1);
        EXPECT_EQ(err3, QString::fromUtf8(c.err));
    }
}
