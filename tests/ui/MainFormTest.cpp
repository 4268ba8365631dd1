// The main window's log-in sequence against the real server service and a
// real database, with the login prompt and message boxes answered by the test.
#include "support/ServerProcess.h"
#include "support/TestDatabase.h"
#include "support/TestModel.h"

#include "net/TCliCon.h"
#include "ui/app/Common.h"
#include "ui/app/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korvanta;
using namespace korvanta::test;

namespace {

class MainFormTest : public ::testing::Test {
protected:
    MainFormTest()
    {
        // A user with no rights at all besides logging in.
        auto db = tdb.Connect();
        ChangeTransaction tr(*db);
        db->InsRow("USR", {"USR_LOGIN", "USR_NAME", "USR_PAS"}, {"guest", "Гость", PasswordHash("g")}, true);
        tr.Commit();
        db->Disconnect();
        WriteIni("127.0.0.1", server.port);
        SetMsgDlgHook([this](const QString& text, MsgKind, QMessageBox::StandardButtons) {
            messages << text;
            return QMessageBox::Ok;
        });
    }
    ~MainFormTest() override { SetMsgDlgHook({}); }

    void WriteIni(const QString& addr, const QString& port)
    {
        QSettings ini(iniPath(), QSettings::IniFormat);
        ini.setValue("Info/ServerAddr", addr);
        ini.setValue("Info/ServerPort", port);
        ini.setValue("Info/Database", tdb.path());
        ini.sync();
    }
    QString iniPath() const { return dir.path() + "/client.ini"; }

    std::unique_ptr<TMainForm> NewForm(QStringList answers)
    {
        auto form = std::make_unique<TMainForm>(std::make_unique<TCliCon>());
        form->db().IniPath = iniPath();
        form->LoginPrompt = [answers, this](QString& login, QString& password, int attempt) mutable {
            prompts << QStringLiteral("%1:%2").arg(attempt).arg(login);
            if (answers.isEmpty())
                return false;
            const QStringList pair = answers.takeFirst().split(u':');
            login = pair.value(0);
            password = pair.value(1);
            return true;
        };
        return form;
    }

    static QStringList Visible(TMainForm& f, const QStringList& names)
    {
        QStringList out;
        for (const QString& n : names)
            if (f.action(n)->isVisible())
                out << n;
        return out;
    }

    static QStringList DataItems(TMainForm& f)
    {
        QStringList out;
        for (QAction* a : f.menu("miData")->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    }

    ServerProcess server;
    TestDatabase tdb;
    QTemporaryDir dir;
    QStringList messages;
    QStringList prompts;
};

const QStringList kMenus{"miData", "miService", "miImport", "miRep", "miSettings"};

}  // namespace

TEST_F(MainFormTest, ThreeWrongPasswordsLeaveTheProgramLoggedOut)
{
    auto form = NewForm({"admin:x", "admin:y", "admin:z"});
    form->LogIn();
    EXPECT_EQ(messages, QStringList(3, "Неправильный логин или пароль."));
    EXPECT_EQ(prompts, QStringList({"1:", "2:admin", "3:admin"}));
    EXPECT_FALSE(form->Inited());
    EXPECT_FALSE(form->db().Connected);
    EXPECT_FALSE(form->db().attachment().isOpen());
    EXPECT_FALSE(form->db().ServerConnected());
    EXPECT_TRUE(Visible(*form, kMenus).isEmpty());
}

TEST_F(MainFormTest, MenusFollowTheUsersRights)
{
    auto form = NewForm({"admin:"});
    form->LogIn();
    ASSERT_TRUE(form->Inited());
    EXPECT_EQ(form->windowTitle(), "Универсальная программа учета");
    EXPECT_EQ(form->userLabel()->text(), "Пользователь: Администратор");
    EXPECT_EQ(Visible(*form, kMenus), kMenus);  // the administrator may import into his objects
    // Objects that are not reference books first, then the reference books, each in catalogue order.
    EXPECT_EQ(DataItems(*form), QStringList({"Курсы валют", "Параметры", "Шаблоны документов", "-", "Валюты",
                                             "Группы пользователей", "Пользователи"}));
    EXPECT_EQ(Visible(*form, {"miConf", "miAcc", "miFltr", "miTmplDoc", "miParams"}),
              QStringList({"miConf", "miAcc", "miFltr", "miTmplDoc", "miParams"}));
    EXPECT_EQ(form->action("miConf")->text(), "Конфигуратор");
    EXPECT_EQ(form->action("miSumTable")->text(), "Сводные таблицы");

    // "Авторизация..." closes every child window and logs in again, here as a user without rights.
    form->action("miData_USR")->trigger();
    form->action("miConf")->trigger();
    EXPECT_EQ(form->mdiArea()->subWindowList().size(), 2);
    form->LoginPrompt = [](QString& login, QString& password, int) {
        login = "guest";
        password = "g";
        return true;
    };
    form->action("miLogin")->trigger();
    ASSERT_TRUE(form->Inited());
    EXPECT_TRUE(form->mdiArea()->subWindowList().isEmpty());
    EXPECT_TRUE(Visible(*form, kMenus).isEmpty());
    EXPECT_EQ(form->userLabel()->text(), "Пользователь: Гость");
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MainFormTest, OneWindowPerKindAndObject)
{
    auto form = NewForm({"admin:"});
    form->LogIn();
    TObj* usr = form->ObjList().GetObjByTable("USR");
    QWidget* first = form->OpenWindow(usr, mkData, "Пользователи");
    first->parentWidget()->showMinimized();
    EXPECT_EQ(form->OpenWindow(usr, mkData, "Пользователи"), first);
    EXPECT_FALSE(first->parentWidget()->isMinimized());
    EXPECT_NE(form->OpenWindow(form->ObjList().GetObjByTable("CURR"), mkData, "Валюты"), first);
    EXPECT_EQ(form->mdiArea()->subWindowList().size(), 2);
    try {
        form->OpenWindow(nullptr, 9);
        FAIL();
    } catch (const ExceptionPos& e) {
        EXPECT_EQ(e.message(), "Неизвестный тип MDI-окна.");
    }
}

TEST_F(MainFormTest, UnreachableServerIsNamedAndNothingStaysOpen)
{
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    const QString port = QString::number(closed.serverPort());
    closed.close();
    WriteIni("127.0.0.1", port);
    auto form = NewForm({"admin:"});
    try {
        form->LogIn();
        FAIL();
    } catch (const ExceptionPos& e) {
        EXPECT_EQ(e.message(), "Не удалось подключиться к серверу \"127.0.0.1\".");
    }
    EXPECT_FALSE(form->Inited());
    EXPECT_FALSE(form->db().ServerConnected());
    EXPECT_FALSE(form->db().attachment().isOpen());
    // A missing client.ini: an empty address.
    QFile::remove(iniPath());
    try {
        form->LogIn();
        FAIL();
    } catch (const ExceptionPos& e) {
        EXPECT_EQ(e.message(), "Не удалось подключиться к серверу \"\".");
    }
}

TEST_F(MainFormTest, ClosingDuringLoginWaitsForTheSequence)
{
    auto form = NewForm({});
    form->show();
    bool closedDuringPrompt = false;
    form->LoginPrompt = [&](QString&, QString&, int) {
        form->close();  // refused for now
        form->action("miLogin")->trigger();  // and no second sequence starts
        closedDuringPrompt = form->isVisible();
        return false;
    };
    EXPECT_TRUE(WaitFor([&] { return !form->isVisible(); }));
    EXPECT_TRUE(closedDuringPrompt);
    EXPECT_FALSE(form->db().attachment().isOpen());
}

TEST_F(MainFormTest, SettingsRoundTripPerDatabase)
{
    auto form = NewForm({"admin:"});
    form->show();
    WaitFor([&] { return form->Inited(); });
    ASSERT_TRUE(form->Inited());
    const QString guid = form->db().GuidStr;
    form->setGeometry(100, 80, 500, 300);
    form->SetScale(2);
    form->close();
    QSettings s("Korvanta", "Korvanta");
    s.beginGroup(guid);
    EXPECT_EQ(s.value("Width").toInt(), 500);
    EXPECT_EQ(s.value("Scale").toInt(), 2);
    EXPECT_EQ(s.value("LastLogin").toString(), "admin");
    EXPECT_EQ(s.value("Configuration").toString(), "Универсальная программа учета");
    // A stored scale out of range counts as 0; the remembered login is offered.
    s.setValue("Scale", 5);
    s.sync();
    auto again = NewForm({"admin:"});
    again->LogIn();
    EXPECT_EQ(ScaleChoice(), 0);
    EXPECT_TRUE(again->action("miScaleDef")->isChecked());
    EXPECT_EQ(prompts.last(), "1:admin");
}

TEST(RestoreBounds, DefaultsAndTheWorkArea)
{
    const QRect primary(0, 0, 1600, 1000), work(0, 0, 1600, 960);
    struct Case {
        const char* name;
        StoredBounds stored;
        QRect expected;
    } cases[] = {
        {"nothing stored: 75 %, centred", {}, QRect(200, 125, 1200, 750)},
        {"kept", {10, 20, 800, 600}, QRect(10, 20, 800, 600)},
        {"too wide: 85 % of the work area", {0, 0, 2000, 600}, QRect(0, 0, 1360, 600)},
        {"sticking out right and below", {1500, 900, 400, 300}, QRect(1200, 660, 400, 300)},
        {"left of and above the work area", {-50, -40, 400, 300}, QRect(0, 0, 400, 300)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RestoreBounds(c.stored, primary, work), c.expected) << c.name;
}

TEST(ScaledPPI, ChoicesOnCommonDensities)
{
    struct Case {
        int p, choice, expected;
    } cases[] = {{96, 0, 96}, {96, 1, 120}, {96, 2, 144}, {120, 1, 144}, {120, 2, 192}, {144, 1, 192}, {144, 2, 240}};
    for (const Case& c : cases) {
        SetScaleChoice(c.choice);
        EXPECT_EQ(ScaledPPI(c.p), c.expected) << c.p << " " << c.choice;
    }
    SetScaleChoice(7);
    EXPECT_EQ(ScaleChoice(), 0);
}

int main(int argc, char** argv)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());  // settings of this run only
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
