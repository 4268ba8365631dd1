#include "Enums.h"

#include "ExceptionPos.h"
#include "FbClient.h"

namespace korvanta {

EnumTable::EnumTable(EnumSpec spec) : spec_(std::move(spec))
{
    for (size_t i = 0; i < spec_.sids.size(); ++i) {
        EnumRecord r;
        r.SId = spec_.sids[i];
        r.member = spec_.members.empty() ? spec_.firstMember + static_cast<int>(i) : spec_.members[i];
        recs_.push_back(r);
    }
}

void EnumTable::Load(FbStatement& stmt)
{
    for (EnumRecord& r : recs_) {
        const QString sid = r.SId;
        const int member = r.member;
        r = EnumRecord{};
        r.SId = sid;
        r.member = member;
    }
    const QString t = spec_.table;
    stmt.SetSQL(QStringLiteral("select * from ") + t);
    stmt.ExecQuery();
    const int iId = stmt.FieldIndex(t + QStringLiteral("_ID"));
    const int iSid = stmt.FieldIndex(t + QStringLiteral("_SID"));
    const int iName = stmt.FieldIndex(t + QStringLiteral("_NAME"));
    const int iShort = stmt.FieldIndex(t + QStringLiteral("_SHORT"));
    const int iSql = stmt.FieldIndex(t + QStringLiteral("_SQL"));
    const int iWidth = stmt.FieldIndex(t + QStringLiteral("_COLWIDTH"));
    const int iLen = stmt.FieldIndex(t + QStringLiteral("_LEN"));
    auto intOf = [&](int i) -> qint64 {
        if (i < 0)
            return 0;
        Value v = stmt.Field(i);
        return v.isNull() ? 0 : v.asInteger();
    };
    auto textOf = [&](int i) { return i < 0 ? QString() : stmt.Field(i).asString(); };
    try {
        while (!stmt.Eof()) {
            const QString sid = textOf(iSid);
            EnumRecord* rec = nullptr;
            for (EnumRecord& r : recs_)
                if (r.SId == sid) {
                    rec = &r;
                    break;
                }
            if (!rec) {
                if (!spec_.skipUnknownRows)
                    RaiseMsgFmt(spec_.loadMsg, {sid});
            } else {
                rec->Id = intOf(iId);
                rec->Name = textOf(iName);
                rec->Short = textOf(iShort);
                rec->SQL = textOf(iSql);
                rec->ColWidth = intOf(iWidth);
                rec->Len = intOf(iLen);
            }
            stmt.Next();
        }
    } catch (...) {
        stmt.Close();
        throw;
    }
    stmt.Close();
    loaded_ = true;
}

const EnumRecord* EnumTable::Find(int member) const
{
    for (const EnumRecord& r : recs_)
        if (r.member == member)
            return r.Id != 0 ? &r : nullptr;
    return nullptr;
}

int EnumTable::MemberOf(qint64 code) const
{
    for (const EnumRecord& r : recs_)
        if (r.Id == code && r.Id != 0)
            return r.member;
    RaiseMsgFmt(spec_.codeMsg, {static_cast<long long>(code)});
}

const EnumRecord& EnumTable::Require(int member, const QString& msg) const
{
    const EnumRecord* r = Find(member);
    if (!r)
        RaiseMsg(msg);
    return *r;
}

namespace {
std::vector<QString> L(std::initializer_list<const char*> items)
{
    std::vector<QString> out;
    for (const char* s : items)
        out.push_back(QString::fromUtf8(s));
    return out;
}
const QString kNotSpecified = QStringLiteral("не указано");
}  // namespace

EnumSpec FldTypeSpec()
{
    EnumSpec s{QStringLiteral("FLDTYPE"),
               L({"PK", "Str", "FK", "Integ", "Bool", "Num182", "Num183", "Num184", "Date", "DateTime"}),
               1, {}, false, kNotSpecified,
               QStringLiteral("Тип поля с идентификатором \"%s\" не известен системе."),
               QStringLiteral("TDB.CodeToFldType: Тип поля с кодом \"%d\" не найден."),
               QStringLiteral("TDB.FldTypeToCode: Тип поля не найден."),
               QStringLiteral("TDB.FldTypeToName: Тип поля не найден.")};
    // The SIDs are registered in an order of their own: integers before flags.
    s.members = {ftPK, ftStr, ftFK, ftInteg, ftBool, ftNum182, ftNum183, ftNum184, ftDate, ftDateTime};
    return s;
}

EnumSpec FKRuleSpec()
{
    return {QStringLiteral("FKRULE"), L({"NoAction", "Cascade", "SetNull"}), 1, {}, false, QString(),
            QStringLiteral("Правило связи с идентификатором \"%s\" неизвестно системе."),
            QStringLiteral("TDB.CodeToFKRule: Правило связи с кодом \"%d\" не найдено."),
            QStringLiteral("TDB.FKRuleToCode: Правило удаления не указано."),
            QStringLiteral("TDB.FKRuleToSQL: Правило удаления не указано.")};
}

EnumSpec FrmlFuncSpec()
{
    return {QStringLiteral("FRMLFUNC"),
            L({"Add", "Ded", "Mul", "Div", "Rate", "CurD", "CurDT", "CurU", "ParId", "If", "And",
               "Or", "Equal", "Greater", "GreaterEqual", "Less", "LessEqual", "Empty", "Containing",
               "Not", "SimpleRoundTo", "Percent", "NumberPercent", "DayOf", "WeekOf", "MonthOf",
               "YearOf", "Inc"}),
            1, {}, false, kNotSpecified,
            QStringLiteral("Функция формулы с идентификатором \"%s\" не известна системе"),
            QStringLiteral("TDB.CodeToFrmlFunc: Функция формулы с кодом \"%d\" не найдена."),
            QStringLiteral("TDB.FrmlFuncToCode: Функция формулы не найдена."),
            QStringLiteral("TDB.FrmlFuncToName: Функция формулы не найдена.")};
}

EnumSpec FltrItTypeSpec()
{
    return {QStringLiteral("FLTRITTP"),
            L({"And", "Or", "Equal", "Greater", "GreaterEqual", "Less", "LessEqual", "Empty",
               "Containing", "Between", "In", "Exist"}),
            1, {}, true, kNotSpecified, QString(),
            QStringLiteral("TDB.CodeToFltrItType: Тип узла фильтра с кодом \"%d\" не найден."),
            QStringLiteral("TDB.CodeToFltrItType: Тип узла фильтра не найден."),
            QStringLiteral("TDB.CodeToFltrItType: Тип узла фильтра не найден.")};
}

EnumSpec FltrItTypeOfValueSpec()
{
    return {QStringLiteral("FLTRITTOV"), L({"Const", "Func", "Field"}), 1, {}, true, kNotSpecified,
            QString(),
            QStringLiteral("TDB.CodeToFltrItTypeOfValue: Тип значения узла фильтра с кодом \"%d\" не найден."),
            QStringLiteral("TDB.FltrItTypeOfValueToCode: Тип значения узла фильтра не найден."),
            QStringLiteral("TDB.FltrItTypeOfValueToName: Тип значения узла фильтра не найден.")};
}

EnumSpec FltrItFnSpec()
{
    return {QStringLiteral("FLTRITFN"),
            L({"CurDT", "CurD", "BegD", "BegW", "BegTd", "BegM", "BegQ", "BegHy", "BegY", "CurU"}),
            1, {}, true, kNotSpecified, QString(),
            QStringLiteral("TDB.CodeToFltrItFn: Функция узла фильтра с кодом \"%d\" не найдена."),
            QStringLiteral("TDB.FltrItFnToCode: Функция узла фильтра не найдена."),
            QStringLiteral("TDB.FltrItFnToName: Функция узла фильтра не найдена.")};
}

EnumSpec CtrlTypeSpec()
{
    return {QStringLiteral("CTRLTYPE"),
            L({"Root", "PageCon", "Tab", "StrEdit", "StrMemo", "StrSkype", "StrFile", "StrSite",
               "StrEmail", "StrPhone", "Integ", "Num182", "Num183", "Num184", "ObjEditBtn",
               "ObjComboBox", "Date", "DateTime", "CheckBox", "Label", "Button"}),
            1, {}, false, kNotSpecified,
            QStringLiteral("TDB.CtrlTypeTableLoad: Тип контрола с идентификатором \"%s\" неизвестен системе."),
            QStringLiteral("TDB.CodeToCtrlType: Тип контрола с кодом \"%d\" не найден."),
            QStringLiteral("TDB.CtrlTypeToCode: Тип контрола не найден."),
            QStringLiteral("TDB.CtrlTypeToName: Тип контрола не найден.")};
}

EnumSpec AccSpec()
{
    return {QStringLiteral("ACC"),
            L({"NoAccess", "AsGroup", "ReadTbl", "ReadCrd", "Edit", "Full", "Detail"}), 1, {}, false,
            QString(),
            QStringLiteral("TDB.AccTableLoad: Доступ с идентификатором \"%s\" неизвестен системе."),
            QStringLiteral("TDB.CodeToAcc: Доступ с кодом \"%d\" не найден."),
            QStringLiteral("TDB.AccToCode: Доступ не найден."),
            QStringLiteral("TDB.AccToCode: Доступ не найден.")};
}

EnumSpec AccFSpec()
{
    return {QStringLiteral("ACCF"),
            L({"NoAccess", "AsGroup", "Temp", "TempDef", "Perm", "PermDef", "PermDefHide", "Detail"}),
            1, {}, false, QString(),
            QStringLiteral("TDB.AccFTableLoad: Доступ с идентификатором \"%s\" неизвестен системе."),
            QStringLiteral("TDB.CodeToAccF: Доступ с кодом \"%d\" не найден."),
            QStringLiteral("TDB.AccFToCode: Доступ не найден."),
            QStringLiteral("TDB.AccFToCode: Доступ не найден.")};
}

EnumSpec DateGrpSpec()
{
    return {QStringLiteral("DATEGRP"),
            L({"Day", "Week", "Decade", "Month", "Quarter", "Halfyear", "Year"}), 1, {}, false,
            QString(),
            QStringLiteral("TDB.DateGrpLoad: Группировка даты с идентификатором \"%s\" неизвестна системе."),
            QStringLiteral("TDB.CodeToDateGrp: Группировка даты с кодом \"%d\" не найдена."),
            QStringLiteral("TDB.DateGrpToCode: Группировка даты не найдена."),
            QStringLiteral("TDB.DateGrpToCode: Группировка даты не найдена.")};
}

EnumSpec TriTypeSpec()
{
    return {QStringLiteral("TRITYPE"),
            L({"AddSum", "DedSum", "AddCnt", "DedCnt", "Add", "Ded", "Mul", "Div"}), 0, {}, false,
            QString(),
            QStringLiteral("TDB.TriTypeLoad: Тип триггера с идентификатором \"%s\" неизвестен системе."),
            QStringLiteral("TMain.CodeToTriType: Тип триггера с кодом \"%d\" не найден."),
            QStringLiteral("TMain.TriTypeToCode: Тип триггера не найден."),
            QStringLiteral("TMain.CodeToTriTypeName: Тип триггера с кодом \"%d\" не найден.")};
}

}  // namespace korvanta
