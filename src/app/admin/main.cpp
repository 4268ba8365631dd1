// korvanta-admin: administration without a screen.
//   korvanta-admin create-db LOCATION [--user U] [--password P]
#include "Version.h"
#include "db/CreateDatabase.h"

#include <QCoreApplication>
#include <QTextStream>

using namespace korvanta;

namespace {

QTextStream& Out()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream& Err()
{
    static QTextStream s(stderr);
    return s;
}

int Usage()
{
    Err() << "Использование:\n"
             "  korvanta-admin create-db LOCATION [--user USER] [--password PASSWORD]\n"
             "LOCATION: путь к файлу (встроенный сервер) или host:path (сервер Firebird).\n";
    Err().flush();
    return 2;
}

// Reads "--name value" options after the positional arguments.
bool TakeOptions(QStringList& args, FbConnectParams& params)
{
    for (qsizetype i = 0; i < args.size();) {
        const QString a = args[i];
        if (a == u"--user" || a == u"--password") {
            if (i + 1 >= args.size())
                return false;
            (a == u"--user" ? params.user : params.password) = args[i + 1];
            args.remove(i, 2);
        } else if (a.startsWith(u"--")) {
            return false;
        } else {
            ++i;
        }
    }
    return true;
}

int CreateDb(QStringList args)
{
    FbConnectParams params;
    if (!TakeOptions(args, params) || args.size() != 1)
        return Usage();
    params.location = args[0];
    CreateDatabase(params, [](const QString& line) {
        Out() << line << '\n';
        Out().flush();
    });
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return Usage();
    const QString command = args.takeFirst();
    try {
        if (command == u"create-db")
            return CreateDb(args);
        if (command == u"--version") {
            Out() << "korvanta-admin " << KORVANTA_VERSION << '\n';
            return 0;
        }
        return Usage();
    } catch (const std::exception& e) {
        Err() << QString::fromUtf8(e.what()) << '\n';
        Err().flush();
        return 1;
    }
}
