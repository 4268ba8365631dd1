// Takes the screenshots of the documentation under a real X server (Xvfb):
//   xvfb-run -a -s "-screen 0 1280x800x24" build/bin/ui_screenshots docs/screenshots
#include "support/ServerProcess.h"
#include "support/TestDatabase.h"

#include "net/TCliCon.h"
#include "ui/app/LoginDialog.h"
#include "ui/app/MainForm.h"

#include <QApplication>
#include <QMenu>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QTimer>

using namespace korvanta;

namespace {
void Settle(int ms = 300)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void Grab(QWidget* w, const QString& file)
{
    Settle();
    const QRect frame = w->frameGeometry();
    QPixmap shot = w->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    shot.save(file);
}
}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");

    test::ServerProcess server;
    const QString port = server.port;
    test::TestDatabase tdb;
    QTemporaryDir dir;
    QSettings ini(dir.path() + "/client.ini", QSettings::IniFormat);
    ini.setValue("Info/ServerAddr", "127.0.0.1");
    ini.setValue("Info/ServerPort", port);
    ini.setValue("Info/Database", tdb.path());
    ini.sync();

    TMainForm form(std::make_unique<TCliCon>());
    form.db().IniPath = dir.path() + "/client.ini";
    form.LoginPrompt = [&](QString& login, QString& password, int) {
        LoginDialog dialog(&form);
        dialog.setLogin(QStringLiteral("admin"));
        dialog.applyFocusRule();
        dialog.show();
        dialog.move(form.geometry().center() - dialog.rect().center());
        Grab(&dialog, out + "/login.png");
        login = QStringLiteral("admin");
        password.clear();
        return true;
    };
    form.resize(1100, 700);
    form.move(60, 40);
    form.show();
    QElapsedTimer t;
    t.start();
    while (!form.Inited() && t.elapsed() < 15000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    form.move(60, 40);
    form.resize(1100, 700);
    form.OpenWindow(form.ObjList().GetObjByTable("USR"), mkData, "Пользователи");
    form.OpenWindow(nullptr, mkConf, form.action("miConf")->text());
    Grab(&form, out + "/main.png");
    form.menu("miData")->popup(form.mapToGlobal(QPoint(60, 20)));
    Grab(&form, out + "/data-menu.png");
    form.menu("miData")->hide();
    form.close();
    return 0;
}
