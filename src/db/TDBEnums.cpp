// TDB: enumeration lookups and the conversions of values by field type.
#include "TDB.h"

#include "ValueText.h"

#include <cmath>

namespace korvanta {

EnumTable& TDB::Loaded_(EnumTable& t)
{
    if (!t.loaded()) {
        auto q = CreateIBSQLS(false);
        t.Load(*q);
    }
    return t;
}

int TDB::Member(EnumTable& t, const Value& code)
{
    if (code.isNull())
        return 0;
    return Loaded_(t).MemberOf(code.asInteger());
}

Value TDB::Code(EnumTable& t, int member)
{
    if (member == 0 && t.spec().firstMember == 1)
        return Value();
    return Value(static_cast<long long>(Loaded_(t).Require(member, t.spec().toCodeMsg).Id));
}

QString TDB::Name(EnumTable& t, int member, const QString& msg)
{
    if (member == 0 && t.spec().firstMember == 1)
        return t.spec().noneName;
    return Loaded_(t).Require(member, msg).Name;
}

TFldType TDB::CodeToFldType(const Value& c) { return static_cast<TFldType>(Member(FldTypes, c)); }
Value TDB::FldTypeToCode(TFldType m) { return Code(FldTypes, m); }
QString TDB::FldTypeToName(TFldType m) { return Name(FldTypes, m, FldTypes.spec().toNameMsg); }

qint64 TDB::FldTypeToColWidth(TFldType m)
{
    return Loaded_(FldTypes).Require(m, QStringLiteral("TMain.FldTypeToColWidth: Тип поля не найден.")).ColWidth;
}

Value TDB::FldTypeToLen(TFldType m)
{
    const EnumRecord* r = Loaded_(FldTypes).Find(m);
    return r ? Value(static_cast<long long>(r->Len)) : Value();
}

QString TDB::FldTypeToDomen(TFldType m)
{
    switch (m) {
    case ftBool:
    case ftInteg: return QStringLiteral("INTEG");
    case ftNum182: return QStringLiteral("NUM182");
    case ftNum183: return QStringLiteral("NUM183");
    case ftNum184: return QStringLiteral("NUM184");
    default:
        RaiseMsgFmt(QStringLiteral("TMain.FldTypeToDomen: Недопустимый тип поля \"%s\""), {FldTypeToName(m)});
    }
}

TFKRule TDB::CodeToFKRule(const Value& c) { return static_cast<TFKRule>(Member(FKRules, c)); }
Value TDB::FKRuleToCode(TFKRule m) { return Code(FKRules, m); }

QString TDB::FKRuleToSQL(TFKRule m)
{
    return Loaded_(FKRules).Require(m, FKRules.spec().toNameMsg).SQL;
}

TFrmlFunc TDB::CodeToFrmlFunc(const Value& c) { return static_cast<TFrmlFunc>(Member(FrmlFuncs, c)); }
Value TDB::FrmlFuncToCode(TFrmlFunc m) { return Code(FrmlFuncs, m); }
QString TDB::FrmlFuncToName(TFrmlFunc m) { return Name(FrmlFuncs, m, FrmlFuncs.spec().toNameMsg); }

TFltrItType TDB::CodeToFltrItType(const Value& c) { return static_cast<TFltrItType>(Member(FltrItTypes, c)); }
Value TDB::FltrItTypeToCode(TFltrItType m) { return Code(FltrItTypes, m); }
QString TDB::FltrItTypeToName(TFltrItType m) { return Name(FltrItTypes, m, FltrItTypes.spec().toNameMsg); }

QString TDB::FltrItTypeToShortName(bool ANot, TFltrItType t)
{
    switch (t) {
    case fitEqual: return ANot ? QStringLiteral("<>") : QStringLiteral("=");
    case fitGreater: return ANot ? QStringLiteral("<=") : QStringLiteral(">");
    case fitGreaterEqual: return ANot ? QStringLiteral("<") : QStringLiteral(">=");
    case fitLess: return ANot ? QStringLiteral(">=") : QStringLiteral("<");
    case fitLessEqual: return ANot ? QStringLiteral(">") : QStringLiteral("<=");
    default: return (ANot ? QStringLiteral("не ") : QString()) + FltrItTypeToName(t);
    }
}

TFltrItTypeOfValue TDB::CodeToFltrItTypeOfValue(const Value& c)
{
    return static_cast<TFltrItTypeOfValue>(Member(FltrItTypesOfValue, c));
}
Value TDB::FltrItTypeOfValueToCode(TFltrItTypeOfValue m) { return Code(FltrItTypesOfValue, m); }
QString TDB::FltrItTypeOfValueToName(TFltrItTypeOfValue m)
{
    return Name(FltrItTypesOfValue, m, FltrItTypesOfValue.spec().toNameMsg);
}

TFltrItFn TDB::CodeToFltrItFn(const Value& c) { return static_cast<TFltrItFn>(Member(FltrItFns, c)); }
Value TDB::FltrItFnToCode(TFltrItFn m) { return Code(FltrItFns, m); }
QString TDB::FltrItFnToName(TFltrItFn m) { return Name(FltrItFns, m, FltrItFns.spec().toNameMsg); }

TCtrlType TDB::CodeToCtrlType(const Value& c) { return static_cast<TCtrlType>(Member(CtrlTypes, c)); }
Value TDB::CtrlTypeToCode(TCtrlType m) { return Code(CtrlTypes, m); }
QString TDB::CtrlTypeToName(TCtrlType m) { return Name(CtrlTypes, m, CtrlTypes.spec().toNameMsg); }

TAcc TDB::CodeToAcc(const Value& c) { return static_cast<TAcc>(Member(Accs, c)); }
Value TDB::AccToCode(TAcc m) { return Code(Accs, m); }
QString TDB::AccToName(TAcc m) { return Name(Accs, m, Accs.spec().toNameMsg); }

TAccF TDB::CodeToAccF(const Value& c) { return static_cast<TAccF>(Member(AccFs, c)); }
Value TDB::AccFToCode(TAccF m) { return Code(AccFs, m); }
QString TDB::AccFToName(TAccF m) { return Name(AccFs, m, AccFs.spec().toNameMsg); }

TDateGrp TDB::CodeToDateGrp(const Value& c) { return static_cast<TDateGrp>(Member(DateGrps, c)); }
Value TDB::DateGrpToCode(TDateGrp m) { return Code(DateGrps, m); }
QString TDB::DateGrpToName(TDateGrp m) { return Name(DateGrps, m, DateGrps.spec().toNameMsg); }

QString TDB::DateGrpToShort(TDateGrp m)
{
    if (m == dgNone)
        return QString();
    return Loaded_(DateGrps).Require(m, DateGrps.spec().toNameMsg).Short;
}

TDateTime TDB::StartOfThe(TDateTime ADate, TDateGrp ADateGrp, int ALag)
{
    return korvanta::StartOfThe(ADate, ADateGrp, ALag);
}

TTriType TDB::CodeToTriType(qint64 c)
{
    return static_cast<TTriType>(Loaded_(TriTypes).MemberOf(c));
}

qint64 TDB::TriTypeToCode(TTriType m)
{
    return Loaded_(TriTypes).Require(m, TriTypes.spec().toCodeMsg).Id;
}

QString TDB::CodeToTriTypeName(qint64 c)
{
    EnumTable& t = Loaded_(TriTypes);
    for (int m = ttAddSum; m <= ttDiv; ++m)
        if (const EnumRecord* r = t.Find(m); r && r->Id == c)
            return r->Name;
    RaiseMsgFmt(t.spec().toNameMsg, {static_cast<long long>(c)});
}

// ------------------------------------------------------------ conversions

namespace {
int DecimalsOf(TFldType t)
{
    return t == ftNum182 ? 2 : t == ftNum183 ? 3 : 4;
}
}  // namespace

QString TDB::VarToStrByFldType(const Value& AValue, TFldType AFldType, bool AFormat)
{
    if (AValue.isNull())
        return QString();
    switch (AFldType) {
    case ftStr: return AValue.asString();
    case ftBool: {
        const Value one(1), zero(0);
        if (AValue == one || (AValue.kind() == Value::Kind::Bool && AValue.boolValue()))
            return QStringLiteral("Да");
        if (AValue == zero || (AValue.kind() == Value::Kind::Bool && !AValue.boolValue()))
            return QStringLiteral("Нет");
        RaiseMsg(QStringLiteral("TDB.VarToStrByFldType: Невозможно конвертировать логическое значение в строку"));
    }
    case ftNum182:
    case ftNum183:
    case ftNum184: {
        const int dec = DecimalsOf(AFldType);
        const double v = RoundTo(AValue.asDouble(), dec);
        return AFormat ? FloatToTextFormatted(v, dec) : FloatToText(v);
    }
    case ftDate: return DateToText(AValue.asDateTime().serial);
    case ftDateTime: return DateTimeToText(AValue.asDateTime().serial);
    case ftPK:
    case ftFK:
    case ftInteg:
        return AFormat ? IntegerToTextFormatted(AValue.asInteger()) : AValue.asString();
    case ftNone:
    default:
        RaiseMsgFmt(QStringLiteral("TMain.VarToStrByFldType: Для типа поля \"%s\" преобразование невозможно."),
                    {FldTypeToName(AFldType)});
    }
}

Value TDB::StrToVarByFldType(const QString& AValue, TFldType AFldType)
{
    if (AValue.isEmpty())
        return Value();
    auto fail = [&]() -> Value {
        QString typeName;
        try {
            typeName = FldTypeToName(AFldType);
        } catch (const ExceptionPos&) {
        }
        RaiseMsgFmt(QStringLiteral("Ошибка преобразования строки \"%s\" в тип поля \"%s\"."), {AValue, typeName});
    };
    switch (AFldType) {
    case ftStr: return Value(AValue);
    case ftBool:
    case ftPK:
    case ftFK:
    case ftInteg: {
        auto v = AFldType == ftBool ? TextToInteger(AValue.contains(u' ') ? QString() : AValue)
                                    : TextToInteger(AValue);
        return v ? Value(static_cast<long long>(*v)) : fail();
    }
    case ftNum182:
    case ftNum183:
    case ftNum184: {
        auto v = TextToFloat(AValue);
        return v ? Value(RoundTo(*v, DecimalsOf(AFldType))) : fail();
    }
    case ftDate: {
        auto v = TextToDate(AValue);
        return v ? Value(TDateTime{*v}) : fail();
    }
    case ftDateTime: {
        auto v = TextToDateTime(AValue);
        return v ? Value(TDateTime{*v}) : fail();
    }
    default: return fail();
    }
}

Value TDB::VarToDBStrByFldType(const Value& AValue, TFldType AFldType)
{
    if (AValue.isNull())
        return Value();
    switch (AFldType) {
    case ftNum182:
    case ftNum183:
    case ftNum184: return Value(FloatToStorage(AValue.asDouble()));
    case ftDate:
        return Value(QString::number(static_cast<qint64>(std::trunc(AValue.asDateTime().serial))));
    case ftDateTime: return Value(FloatToStorage(AValue.asDateTime().serial));
    default: return AValue;
    }
}

Value TDB::DBStrToVarByFldType(const Value& AValue, TFldType AFldType)
{
    if (AValue.isNull())
        return Value();
    QString text = AValue.asString();
    switch (AFldType) {
    case ftNum182:
    case ftNum183:
    case ftNum184: text.replace(u'.', u','); break;
    case ftDate: {
        auto n = TextToInteger(text);
        if (n)
            text = DateToText(static_cast<double>(*n));
        break;
    }
    case ftDateTime: {
        auto n = TextToFloat(text);
        if (n)
            text = DateTimeToLongText(*n);
        break;
    }
    default: break;
    }
    return StrToVarByFldType(text, AFldType);
}

}  // namespace korvanta
