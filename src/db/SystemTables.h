#pragma once
// The one description of the system tables: each table with its object key,
// captions and columns, each column with its type, link and the version of
// the database that first has it. Both the DDL of a new database and the OBJ,
// FLD and DEP rows that describe the system tables to the catalogue are
// generated from it.

#include "Enums.h"

#include <QString>
#include <vector>

namespace korvanta {

enum class ColType { PK, FK, Bool, Integ, Num182, Num183, Num184, Date, Timestamp, Str };

struct SysColumn {
    QString name;
    ColType type = ColType::Integ;
    int len = 0;           // text length in characters
    QString caption;       // FLD_NAME
    bool notNull = false;
    bool def0 = false;     // "default 0"
    QString refTable;      // for links: the parent table
    TFKRule onDelete = fkNoAction;
    QString onUpdate = QStringLiteral("CASCADE");
    QString sid;           // FLD_SID
    bool noTbl = false, noCrd = false;
    int since = 1;         // first database version with the column
    int until = 0;         // the version that dropped it (0: still there)

    SysColumn& NotNull() { notNull = true; return *this; }
    SysColumn& Def0() { def0 = true; return *this; }
    SysColumn& Since(int v) { since = v; return *this; }
    SysColumn& Until(int v) { until = v; return *this; }
    SysColumn& Sid(const char* s) { sid = QString::fromUtf8(s); return *this; }
    SysColumn& Hidden() { noTbl = noCrd = true; return *this; }
    SysColumn& OnUpdate(const char* rule) { onUpdate = QString::fromLatin1(rule); return *this; }
    bool existsAt(int version) const { return since <= version && (until == 0 || version < until); }
};

struct SysUnique {
    QString name;
    std::vector<QString> columns;
};

struct SysTable {
    int objId = 0;
    QString table;
    QString name;   // OBJ_NAME
    QString name2;  // OBJ_NAME2
    bool meta = true;
    bool ref = false;
    bool noMenu = true;
    bool tree = false;
    bool hasTree = false;
    QString tmplColumn;  // value template: this column's value
    std::vector<SysColumn> columns;  // without the key column
    std::vector<SysUnique> uniques;
    int since = 1;
    bool existsAt(int version) const { return since <= version; }
    QString keyColumn() const { return table + QStringLiteral("_ID"); }
};

// One row of an enumeration table.
struct SysEnumRow {
    int id;
    const char* sid;
    const char* name;
    int since = 1;
};

struct SysEnum {
    QString table;
    std::vector<SysEnumRow> rows;
};

// The current version of the database format.
constexpr int kDbVersion = 21;

const std::vector<SysTable>& SystemTables();
const SysTable* FindSystemTable(const QString& table);
// Rows of every enumeration table (FLDTYPE extras and FKRULE_SQL come from helpers).
const std::vector<SysEnum>& SystemEnums();
struct FldTypeExtra {
    const char* sid;
    int colWidth;
    int len;  // 0: none
    bool frml;
};
const std::vector<FldTypeExtra>& FldTypeExtras();
QString FKRuleSqlOf(const char* sid);
QString DateGrpShortOf(const char* sid);

// FLDTYPE codes written into the describing rows.
int FldTypeCodeOf(ColType t);

}  // namespace korvanta
