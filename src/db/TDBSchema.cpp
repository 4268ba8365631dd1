// TDB: the data-definition statements for user objects. Names are checked
// before any statement runs; the caller's change transaction holds them all.
#include "TDB.h"

#include "Identifiers.h"

namespace korvanta {

namespace {
QString Opt(bool on, const char* text)
{
    return on ? QString::fromLatin1(text) : QString();
}
}  // namespace

void TDB::CreateTable(const QString& ATable, const QString& APKField)
{
    CheckIdents({ATable, APKField, QStringLiteral("PK_") + APKField});
    ExecDDL(Format(QStringLiteral("create table %s (%s PK NOT NULL)"), {ATable, APKField}));
    ExecDDL(Format(QStringLiteral("alter table %s add constraint PK_%s primary key (%1:s)"), {ATable, APKField}));
    ExecDDL(Format(QStringLiteral("create sequence %s"), {APKField}));
}

void TDB::DropTable(const QString& ATable, const QString& APKField)
{
    CheckIdents({ATable, APKField});
    ExecDDL(Format(QStringLiteral("drop table %s"), {ATable}));
    ExecDDL(Format(QStringLiteral("drop sequence %s"), {APKField}));
}

void TDB::CreateField(const QString& ATable, const QString& AField, bool ANotNull, bool ADef0,
                      TFldType AFldType, int ASize)
{
    const QString notNull = Opt(ANotNull, "not null");
    const QString def0 = Opt(ADef0, "default 0");
    QString sql;
    switch (AFldType) {
    case ftPK: return;
    case ftStr:
        if (ASize <= 0 || ASize > 8191)
            RaiseMsgFmt(QStringLiteral("Недопустимая длина текстового поля \"%s\": %d."), {AField, ASize});
        sql = Format(QStringLiteral("alter table %s add %s varchar(%d) character set UTF8 %s collate UNICODE_CI"),
                     {ATable, AField, ASize, notNull});
        break;
    case ftFK: sql = Format(QStringLiteral("alter table %s add %s FK %s"), {ATable, AField, notNull}); break;
    case ftBool:
        sql = Format(QStringLiteral("alter table %s add %s BOOL %s %s"), {ATable, AField, def0, notNull});
        break;
    case ftInteg:
    case ftNum182:
    case ftNum183:
    case ftNum184:
        sql = Format(QStringLiteral("alter table %s add %s %s %s %s"),
                     {ATable, AField, FldTypeToDomen(AFldType), def0, notNull});
        break;
    case ftDate: sql = Format(QStringLiteral("alter table %s add %s DATE %s"), {ATable, AField, notNull}); break;
    case ftDateTime:
        sql = Format(QStringLiteral("alter table %s add %s TIMESTAMP %s"), {ATable, AField, notNull});
        break;
    default: {
        const bool known = AFldType >= ftNone && AFldType <= ftDateTime;
        RaiseMsgFmt(QStringLiteral("TDB.CreateField: Неизвестный тип поля \"%s\"."),
                    {known ? FldTypeToName(AFldType) : QString::number(static_cast<int>(AFldType))});
    }
    }
    CheckIdents({ATable, AField});
    ExecDDL(sql);
}

void TDB::DropField(const QString& ATable, const QString& AField)
{
    CheckIdents({ATable, AField});
    ExecDDL(Format(QStringLiteral("alter table %s drop %s"), {ATable, AField}));
}

void TDB::ChangeFldLen(const QString& ATable, const QString& AField, int ANewLen)
{
    CheckIdents({ATable, AField});
    if (ANewLen <= 0 || ANewLen > 8191)
        RaiseMsgFmt(QStringLiteral("Недопустимая длина текстового поля \"%s\": %d."), {AField, ANewLen});
    ExecDDL(Format(QStringLiteral("alter table %s alter %s type varchar(%d)"), {ATable, AField, ANewLen}));
}

void TDB::CreateFK(const QString& AChildObjTable, const QString& AParentObjTable,
                   const QString& AChildField, const QString& AParentObjPKField, TFKRule AFKRule)
{
    CheckIdents({AChildObjTable, AParentObjTable, AChildField, AParentObjPKField,
                 QStringLiteral("FK_") + AChildObjTable + u'_' + AChildField});
    const QString rule = FKRuleToSQL(AFKRule);
    ExecDDL(Format(QStringLiteral("alter table %0:s add constraint FK_%0:s_%2:s\r"
                                  "foreign key (%2:s) references %1:s(%3:s)\r"
                                  "on delete %4:s on update CASCADE"),
                   {AChildObjTable, AParentObjTable, AChildField, AParentObjPKField, rule}));
}

void TDB::CreateFKTrigger(const QString& AParentTable, const QString& AChildTable,
                          const QString& APKField, const QString& AFKField)
{
    CheckIdents({AParentTable, AChildTable, APKField, AFKField,
                 QStringLiteral("FK_") + AParentTable + u'_' + AChildTable});
    QStringList lines{Format(QStringLiteral("create trigger FK_%s_%s for %s"), {AParentTable, AChildTable, AParentTable}),
                      QStringLiteral("active before delete position 0"),
                      QStringLiteral("as"),
                      QStringLiteral("begin"),
                      QStringLiteral("  delete"),
                      Format(QStringLiteral("  from %s"), {AChildTable}),
                      Format(QStringLiteral("  where %s = OLD.%s;"), {AFKField, APKField}),
                      QStringLiteral("end")};
    ExecDDL(lines.join(u'\n'));
}

void TDB::DropFKTrigger(const QString& AParentTable, const QString& AChildTable)
{
    CheckIdents({AParentTable, AChildTable, QStringLiteral("FK_") + AParentTable + u'_' + AChildTable});
    ExecDDL(Format(QStringLiteral("drop trigger FK_%s_%s"), {AParentTable, AChildTable}));
}

}  // namespace korvanta
