#include "Identifiers.h"

#include "ExceptionPos.h"

#include <QSet>

namespace korvanta {

namespace {
// Firebird 3 reserved words.
const char* const kReserved[] = {
    "ADD", "ADMIN", "ALL", "ALTER", "AND", "ANY", "AS", "AT", "AVG", "BEGIN", "BETWEEN", "BIGINT",
    "BIT_LENGTH", "BLOB", "BOOLEAN", "BOTH", "BY", "CASE", "CAST", "CHAR", "CHAR_LENGTH",
    "CHARACTER", "CHARACTER_LENGTH", "CHECK", "CLOSE", "COLLATE", "COLUMN", "COMMIT", "CONNECT",
    "CONSTRAINT", "CORR", "COUNT", "COVAR_POP", "COVAR_SAMP", "CREATE", "CROSS", "CURRENT",
    "CURRENT_CONNECTION", "CURRENT_DATE", "CURRENT_ROLE", "CURRENT_TIME", "CURRENT_TIMESTAMP",
    "CURRENT_TRANSACTION", "CURRENT_USER", "CURSOR", "DATE", "DAY", "DEC", "DECIMAL", "DECLARE",
    "DEFAULT", "DELETE", "DELETING", "DETERMINISTIC", "DISCONNECT", "DISTINCT", "DOUBLE", "DROP",
    "ELSE", "END", "ESCAPE", "EXECUTE", "EXISTS", "EXTERNAL", "EXTRACT", "FALSE", "FETCH",
    "FILTER", "FLOAT", "FOR", "FOREIGN", "FROM", "FULL", "FUNCTION", "GDSCODE", "GLOBAL", "GRANT",
    "GROUP", "HAVING", "HOUR", "IN", "INDEX", "INNER", "INSENSITIVE", "INSERT", "INSERTING", "INT",
    "INTEGER", "INTO", "IS", "JOIN", "LEADING", "LEFT", "LIKE", "LONG", "LOWER", "MAX",
    "MAXIMUM_SEGMENT", "MERGE", "MIN", "MINUTE", "MONTH", "NATIONAL", "NATURAL", "NCHAR", "NO",
    "NOT", "NULL", "NUMERIC", "OCTET_LENGTH", "OF", "OFFSET", "ON", "ONLY", "OPEN", "OR", "ORDER",
    "OUTER", "OVER", "PARAMETER", "PLAN", "POSITION", "POST_EVENT", "PRECISION", "PRIMARY",
    "PROCEDURE", "REAL", "RECORD_VERSION", "RECREATE", "RECURSIVE", "REFERENCES", "REGR_AVGX",
    "REGR_AVGY", "REGR_COUNT", "REGR_INTERCEPT", "REGR_R2", "REGR_SLOPE", "REGR_SXX", "REGR_SXY",
    "REGR_SYY", "RELEASE", "RETURN", "RETURNING_VALUES", "RETURNS", "REVOKE", "RIGHT", "ROLLBACK",
    "ROW", "ROW_COUNT", "ROWS", "SAVEPOINT", "SCROLL", "SECOND", "SELECT", "SENSITIVE", "SET",
    "SIMILAR", "SMALLINT", "SOME", "SQLCODE", "SQLSTATE", "START", "STDDEV_POP", "STDDEV_SAMP",
    "SUM", "TABLE", "THEN", "TIME", "TIMESTAMP", "TO", "TRAILING", "TRIGGER", "TRIM", "TRUE",
    "UNION", "UNIQUE", "UNKNOWN", "UPDATE", "UPDATING", "UPPER", "USER", "USING", "VALUE",
    "VALUES", "VAR_POP", "VAR_SAMP", "VARCHAR", "VARIABLE", "VARYING", "VIEW", "WHEN", "WHERE",
    "WHILE", "WITH", "YEAR",
};
}  // namespace

bool IsReservedWord(const QString& name)
{
    static const QSet<QString> words = [] {
        QSet<QString> s;
        for (const char* w : kReserved)
            s.insert(QString::fromLatin1(w));
        return s;
    }();
    return words.contains(name.toUpper());
}

QString IdentifierProblem(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("Имя таблицы или поля не указано.");
    bool ok = name[0] >= u'A' && name[0] <= u'Z';
    for (QChar c : name)
        ok = ok && ((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_');
    if (!ok)
        return Format(QStringLiteral("Имя \"%s\" недопустимо: оно должно начинаться с заглавной "
                                     "латинской буквы и состоять из заглавных латинских букв, "
                                     "цифр и знака \"_\"."),
                      {name});
    if (IsReservedWord(name))
        return Format(QStringLiteral("Имя \"%s\" недопустимо: это зарезервированное слово "
                                     "базы данных."),
                      {name});
    if (name.size() > kMaxIdentifierLength)
        return Format(QStringLiteral("Имя \"%s\" недопустимо: оно длиннее %d символов."),
                      {name, kMaxIdentifierLength});
    return QString();
}

void CheckIdent(const QString& name)
{
    QString problem = IdentifierProblem(name);
    if (!problem.isEmpty())
        RaiseMsg(problem);
}

void CheckIdents(std::initializer_list<QString> names)
{
    for (const QString& n : names)
        CheckIdent(n);
}

}  // namespace korvanta
