#include "SqlLog.h"

#include <QDateTime>
#include <QFile>
#include <mutex>

namespace korvanta {

namespace {
std::mutex g_mutex;
bool g_resolved = false;
QString g_path;

const QString& LogPath()
{
    if (!g_resolved) {
        g_path = qEnvironmentVariable("KORVANTA_SQL_LOG");
        g_resolved = true;
    }
    return g_path;
}
}  // namespace

bool SqlLog::Enabled()
{
    std::lock_guard lock(g_mutex);
    return !LogPath().isEmpty();
}

void SqlLog::SetFile(const QString& path)
{
    std::lock_guard lock(g_mutex);
    g_resolved = !path.isEmpty();
    g_path = path;
}

void SqlLog::Write(const QString& sql, const QStringList& names, const std::vector<Value>& values)
{
    std::lock_guard lock(g_mutex);
    if (LogPath().isEmpty())
        return;
    QString text = QDateTime::currentDateTime().toString(QStringLiteral("[yyyy-MM-dd HH:mm:ss.zzz] "));
    text += sql;
    text += u'\n';
    for (qsizetype i = 0; i < names.size(); ++i) {
        text += QStringLiteral("    :") + names[i] + QStringLiteral(" = ");
        text += (static_cast<size_t>(i) < values.size() ? values[i] : Value()).toLogText();
        text += u'\n';
    }
    QFile f(LogPath());
    if (f.open(QIODevice::Append | QIODevice::WriteOnly))
        f.write(text.toUtf8());
}

}  // namespace korvanta
