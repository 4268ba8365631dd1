#include "TRec.h"

#include "db/Identifiers.h"
#include "db/TDB.h"
#include "db/ValueText.h"

#include <cmath>
#include <set>

namespace korvanta {

namespace {

bool IsNumeric(const Value& v)
{
    return v.isNumber() || v.kind() == Value::Kind::Bool;
}

// A value as a record holds it: dates as whole day numbers, date-times and
// fixed-point numbers as floating values.
Value ForRecord(const Value& v, TFldType type)
{
    if (v.isNull())
        return v;
    switch (type) {
    case ftDate: return Value(std::trunc(v.asDouble()));
    case ftDateTime: return Value(v.asDouble());
    default: return v.kind() == Value::Kind::DateTime ? Value(v.asDouble()) : v;
    }
}

// Text of a value in a concatenation.
QString PlainText(const Value& v)
{
    switch (v.kind()) {
    case Value::Kind::Float: return FloatToText(v.floatValue());
    case Value::Kind::DateTime: return DateTimeToLongText(v.dateTimeValue().serial);
    default: return v.asString();
    }
}

QString DateTimeText(const Value& v)
{
    const double serial = v.asDouble();
    return serial == std::trunc(serial) ? DateToText(serial) : DateTimeToLongText(serial);
}

int CompareValues(const Value& a, const Value& b)
{
    if (IsNumeric(a) && IsNumeric(b)) {
        const double x = a.asDouble(), y = b.asDouble();
        return x < y ? -1 : x > y ? 1 : 0;
    }
    if (a.kind() == Value::Kind::DateTime || b.kind() == Value::Kind::DateTime) {
        const double x = a.asDouble(), y = b.asDouble();
        return x < y ? -1 : x > y ? 1 : 0;
    }
    return a.asString().compare(b.asString());
}

struct FormulaCycle {};

// ISC codes of a concurrent update (isc_deadlock, isc_update_conflict).
constexpr long isc_deadlock_code = 335544336;
constexpr long isc_update_conflict_code = 335544451;

}  // namespace

// ------------------------------------------------------------ items

TRecItem::TRecItem(TRec& rec, TFld* fld) : Rec(rec), Fld(fld) {}

TRecItem::~TRecItem() = default;

Value TRecItem::Convert(const Value& v) const
{
    if (v.isNull())
        return v;
    switch (Fld->FldType()) {
    case ftBool: {
        if (v.kind() == Value::Kind::Bool)
            return Value(v.boolValue() ? 1 : 0);
        bool ok = IsNumeric(v);
        double d = 0;
        if (!ok && v.isString()) {
            d = v.stringValue().trimmed().toDouble(&ok);
        } else if (ok) {
            d = v.asDouble();
        }
        if (ok && (d == 0 || d == 1))
            return Value(static_cast<int>(d));
        RaiseMsgFmt(QStringLiteral("TRecItem.SetValue: Недопустимое значение \"%s\" для логического поля \"%s\"."),
                    {v.asString(), Fld->Name()});
    }
    case ftInteg: return Value(static_cast<long long>(RoundTo(v.asDouble(), 0)));
    case ftNum182: return Value(RoundTo(v.asDouble(), 2));
    case ftNum183: return Value(RoundTo(v.asDouble(), 3));
    case ftNum184: return Value(RoundTo(v.asDouble(), 4));
    case ftDate: return Value(std::trunc(v.asDouble()));
    case ftDateTime: return Value(v.asDouble());
    default: return v;
    }
}

void TRecItem::SetValue(const Value& AValue)
{
    value_ = Convert(AValue);
    if (!FldValueList.empty())
        RefreshFldValues();
    if (!init_) {
        Modified = true;
        if (!Fld->Virt())
            ForInsert = true;
        Rec.RecItemChanged(*this);
    }
    if (!WinCtrlChanging && OnChangeForWinCtrl)
        OnChangeForWinCtrl(*this);
}

void TRecItem::InitValue(const Value& AValue, bool AForInsert)
{
    init_ = true;
    ForInsert = AForInsert;
    try {
        SetValue(AValue);
    } catch (...) {
        init_ = false;
        throw;
    }
    OldValue = value_;
    init_ = false;
}

void TRecItem::CheckEmpty() const
{
    if (value_.isNull())
        throw ERecItemException(Format(QStringLiteral("Поле \"%s\" обязательно к заполнению."), {Fld->Name()}),
                                const_cast<TRecItem*>(this));
}

void TRecItem::AddFrmlIt(const TFrmlIt* AFrmlIt)
{
    if (!sql_) {
        if (!Fld->FKObj)
            RaiseMsgFmt(QStringLiteral("У поля-ссылки \"%s\" нет связи с другим объектом."), {Fld->Name()});
        sql_ = std::make_unique<TSQL>(Rec.List);
        sql_->NoAcc = true;
        sql_->SkipReadAcc = true;
        sql_->SetObj(Fld->FKObj);
        pkFltr_ = std::make_unique<TFltr>(Rec.List, false);
        pkFltr_->AddChild(nullptr, -1, Fld->FKObj->PKFld, {}, false, fitEqual, fitvConst, Value());
        sql_->AddFltr(pkFltr_.get());
    }
    TJoin* join = sql_->AddJoin(AFrmlIt->FldValue, AFrmlIt->Path, 1);
    for (TFldValue& v : FldValueList)
        if (v.Fld == AFrmlIt->FldValue && v.Join == join) {
            v.FrmlItList.push_back(AFrmlIt);
            return;
        }
    TFldValue v;
    v.Fld = AFrmlIt->FldValue;
    v.Join = join;
    v.Column = sql_->AddSelFld(AFrmlIt->FldValue, join);
    v.FrmlItList.push_back(AFrmlIt);
    FldValueList.push_back(v);
}

Value TRecItem::GetFldValue(const TFrmlIt* AFrmlIt) const
{
    for (const TFldValue& v : FldValueList)
        for (const TFrmlIt* n : v.FrmlItList)
            if (n == AFrmlIt)
                return v.value;
    RaiseMsg(QStringLiteral("Ошибка при получении значения поля-ссылки - не найден элемент формулы."));
}

void TRecItem::RefreshFldValues()
{
    if (value_.isNull() || !sql_) {
        for (TFldValue& v : FldValueList)
            v.value = Value();
        return;
    }
    pkFltr_->Root->Value_ = value_;
    auto q = Rec.db().CreateIBSQLS(RefreshValuesInChangeTR);
    q->SetSQL(sql_->GetSelectSQL(false));
    sql_->SetFltrParams(*q);
    q->ExecQuery();
    if (q->Eof())
        RaiseMsgFmt(QStringLiteral("Ошибка при подготовке формулы. Запрос значений для поля \"%s\" вернул пустой результат."),
                    {Fld->Name()});
    for (TFldValue& v : FldValueList)
        v.value = ForRecord(q->Field(v.Column), v.Fld->FldType());
    q->Close();
}

// ------------------------------------------------------------ rates

Value TCurrRateTable::GetRate(const Value& ACurr, const Value& ADate)
{
    if (ACurr.isNull() || ADate.isNull())
        return Value();
    if (!baseRead_) {
        auto q = db_.CreateIBSQLS(false);
        q->SetSQL(QStringLiteral("select CURR_ID\nfrom CURR\nwhere CURR_BASE = 1"));
        q->ExecQuery();
        ++Queries;
        if (q->Eof())
            RaiseMsg(QStringLiteral("Невозможно получить курс, т.к. не указана базовая валюта."));
        base_ = q->Field(0);
        q->Close();
        baseRead_ = true;
    }
    const qint64 curr = ACurr.asInteger();
    if (curr == base_.asInteger())
        return Value(1.0);
    const qint64 day = static_cast<qint64>(std::trunc(ADate.asDouble()));
    auto it = cache_.find({curr, day});
    if (it != cache_.end())
        return it->second;
    auto q = db_.CreateIBSQLS(false);
    q->SetSQL(QStringLiteral("select C.CURRATE_VALUE\nfrom CURRATE C\nwhere C.CURR_ID = :CURR_ID\n"
                             "and C.CURRATE_DATE <= :CURRATE_DATE\norder by CURRATE_DATE desc"));
    q->SetParam(QStringLiteral("CURR_ID"), Value(static_cast<long long>(curr)));
    q->SetParam(QStringLiteral("CURRATE_DATE"), Value(TDateTime{static_cast<double>(day)}));
    q->ExecQuery();
    ++Queries;
    if (q->Eof())
        RaiseMsgFmt(QStringLiteral("Курс не найден для валюты с кодом \"%d\" на дату \"%s\"."),
                    {static_cast<long long>(curr), DateToText(static_cast<double>(day))});
    const Value rate(RoundTo(q->Field(0).asDouble(), 4));
    q->Close();
    cache_[{curr, day}] = rate;
    return rate;
}

// ------------------------------------------------------------ record

TRec::TRec(TObjList& list, TObj* AObj, bool ASelectInChangeTrans)
    : List(list), CurrRateTable(list.db()), obj_(AObj), selectInChange_(ASelectInChangeTrans)
{
    for (TFld* f : AObj->FldList) {
        auto item = std::make_unique<TRecItem>(*this, f);
        byFld_.insert(f, item.get());
        items_.push_back(std::move(item));
    }
    pkFltr_ = std::make_unique<TFltr>(list, false);
    if (AObj->PKFld)
        pkFltr_->AddChild(nullptr, -1, AObj->PKFld, {}, false, fitEqual, fitvConst, Value());
}

TRec::~TRec() = default;

FbTransaction& TRec::SelectTransaction() const
{
    return selectInChange_ ? db().changeTransaction() : db().readTransaction();
}

TRecItem* TRec::RecItemByFld(const TFld* AFld) const
{
    return byFld_.value(AFld);
}

TRecItem& TRec::RecItemByField(const QString& AField) const
{
    return *RecItemByFld(obj_->GetFldByField(AField));
}

void TRec::AddToSelect(const QStringList& AFields)
{
    for (const QString& f : AFields)
        RecItemByField(f).ForCrd = true;
}

void TRec::AddAllToSelect()
{
    for (auto& i : items_)
        i->ForCrd = true;
}

void TRec::PrepareFrmls(TDep* ADep)
{
    for (auto& i : items_) {
        i->Frml.reset();
        i->FrmlRecItemList.clear();
        i->CalcState = csNorm;
    }
    for (auto& item : items_) {
        TFld* f = item->Fld;
        if (!f->HasFrml() || f->Frml.IsEmpty())
            continue;
        const TFrmlIt* errNode = nullptr;
        QString errMsg;
        if (!f->Frml.isValid(db(), errNode, errMsg))
            RaiseMsg(Format(QStringLiteral("Формула поля \"%s\" имеет ошибку:"), {f->Name()}) + u'\n' + errMsg);
        item->Frml = f->Frml.RootFrmlIt->Clone();
        if (item->Frml->Func == ffParId) {
            item->Frml.reset();
            // A child created through ADep copies the parent's reference to the same object.
            if (ADep && f != ADep->ChildFld && f->FKObj) {
                for (TDep* up : ADep->ParentObj->ParentList)
                    if (up->ParentObj == f->FKObj) {
                        auto node = std::make_unique<TFrmlIt>();
                        node->FldValue = up->ChildFld;
                        node->Path = {ADep->ChildFld};
                        item->Frml = std::move(node);
                        break;
                    }
            }
            if (!item->Frml)
                continue;
        }
        item->ForFrml = true;
        std::function<void(const TFrmlIt&, const TFrmlIt*)> reg = [&](const TFrmlIt& n, const TFrmlIt* parent) {
            if (n.IsField()) {
                TRecItem* reader = n.Path.empty() ? RecItemByFld(n.FldValue) : RecItemByFld(n.Path[0]);
                if (reader) {
                    reader->ForFrml = true;
                    if (std::find(reader->FrmlRecItemList.begin(), reader->FrmlRecItemList.end(), item.get()) ==
                        reader->FrmlRecItemList.end())
                        reader->FrmlRecItemList.push_back(item.get());
                    // A counter reads its parent itself; other path nodes are fetched by the link item.
                    if (!n.Path.empty() && !(parent && parent->Func == ffInc))
                        reader->AddFrmlIt(&n);
                }
            }
            for (const auto& c : n.FrmlItList)
                reg(*c, &n);
        };
        reg(*item->Frml, nullptr);
    }
}

void TRec::SetRecId(const Value& AValue)
{
    for (auto& i : items_) {
        i->FldValueList.clear();
    }
    PrepareFrmls(nullptr);
    pkFltr_->Root->Value_ = AValue;
    if (!NoSelect) {
        TSQL sql(List);
        sql.NoAcc = NoAcc;
        NoAcc = false;
        sql.SetObj(obj_);
        sql.AddFltr(pkFltr_.get());
        if (InclHideFltrs)
            sql.AddHideFltrs();
        std::vector<std::pair<TRecItem*, int>> cols;
        for (auto& i : items_)
            if (i->ForSelect())
                cols.emplace_back(i.get(), sql.AddFld(i->Fld));
        if (!cols.empty()) {
            FbStatement q(db().attachment(), SelectTransaction());
            q.SetSQL(sql.GetSelectSQL(false));
            sql.SetFltrParams(q);
            q.ExecQuery();
            if (q.Eof())
                RaiseMsgFmt(QStringLiteral("Запись объекта \"%s\" не найдена или у вас нет к ней доступа."), {obj_->Name()});
            auto col = [&](int pos) { return pos >= 0 ? q.Field(pos) : Value(); };
            own_ = col(sql.OwnSQLFldIndex);
            grp_ = col(sql.GrpAccSQLFldIndex);
            usr_ = col(sql.UsrAccSQLFldIndex);
            for (auto& [item, pos] : cols)
                item->InitValue(ForRecord(q.Field(pos), item->Fld->FldType()), false);
            q.Close();
        }
    }
    New = false;
    RecId = AValue;
}

void TRec::SetDefaultValues(TDep* ADep, const Value& AParentId)
{
    for (auto& i : items_)
        i->FldValueList.clear();
    PrepareFrmls(ADep);
    for (auto& i : items_)
        i->InitValue(i->Fld->Def0() ? Value(0) : Value(), false);
    for (const auto& [fld, value] : DefaultValues)
        if (TRecItem* i = RecItemByFld(fld))
            i->InitValue(value, true);
    if (ADep)
        if (TRecItem* i = RecItemByFld(ADep->ChildFld))
            i->InitValue(AParentId, true);
    CalcRecItems(false);
    SetModifiedFalse();
    New = true;
    RecId = Value();
    own_ = grp_ = usr_ = Value();
}

void TRec::MarkDependents(TRecItem& item)
{
    for (TRecItem* d : item.FrmlRecItemList)
        if (d->CalcState == csNorm && d->Frml) {
            d->CalcState = csNeed;
            MarkDependents(*d);
        }
}

void TRec::CalcItem(TRecItem& item)
{
    if (item.CalcState != csNeed || !item.Frml)
        return;
    item.CalcState = csCalc;
    Value v;
    try {
        v = CalcNode(*item.Frml);
    } catch (...) {
        item.CalcState = csNorm;
        throw;
    }
    item.CalcState = csNorm;
    item.SetValue(v);
}

void TRec::CalcNeeded()
{
    const bool was = Calcing;
    Calcing = true;
    try {
        for (auto& i : items_)
            if (i->CalcState == csNeed)
                CalcItem(*i);
    } catch (const FormulaCycle&) {
        // A cycle: nothing more is computed and the values stay as they were.
        for (auto& i : items_)
            i->CalcState = csNorm;
        if (Beep)
            Beep();
    } catch (...) {
        for (auto& i : items_)
            i->CalcState = csNorm;
        Calcing = was;
        throw;
    }
    Calcing = was;
}

void TRec::CalcRecItems(bool AUpdFrmlDblOnly)
{
    for (auto& i : items_) {
        if (!i->Frml)
            continue;
        if (!AUpdFrmlDblOnly || i->Fld->Flag(QStringLiteral("FLD_UPDFRMLDBL"))) {
            i->CalcState = csNeed;
            if (AUpdFrmlDblOnly)
                MarkDependents(*i);
        }
    }
    CalcNeeded();
}

void TRec::CalcForDisplay()
{
    std::function<bool(const TFrmlIt&)> counts = [&](const TFrmlIt& n) {
        if (n.Func == ffInc)
            return true;
        for (const auto& c : n.FrmlItList)
            if (counts(*c))
                return true;
        return false;
    };
    for (auto& i : items_)
        if (i->Frml && !counts(*i->Frml))
            i->CalcState = csNeed;
    CalcNeeded();
    for (auto& i : items_)
        i->Modified = false;
}

void TRec::RecItemChanged(TRecItem& ARecItem)
{
    if (Calcing)
        return;
    MarkDependents(ARecItem);
    if (UpdForChange && ARecItem.Fld->TriDst() == 0 && !ARecItem.Fld->Flag(QStringLiteral("FLD_UPDFRML")))
        for (auto& i : items_)
            if (i->Frml && i->Fld->Flag(QStringLiteral("FLD_UPDFRML")))
                i->CalcState = csNeed;
    CalcNeeded();
}

Value TRec::CalcFrml(const TFrmlIt& ARoot)
{
    return CalcNode(ARoot);
}

Value TRec::CalcNode(const TFrmlIt& n)
{
    if (!n.IsFunc()) {
        if (!n.FldValue)
            return n.ConstValue;
        TRecItem* reader = n.Path.empty() ? RecItemByFld(n.FldValue) : RecItemByFld(n.Path[0]);
        if (!reader)
            RaiseMsgFmt(QStringLiteral("В записи нет поля \"%s\"."), {n.FldValue->Name()});
        if (reader->CalcState == csNeed)
            CalcItem(*reader);
        else if (reader->CalcState == csCalc)
            throw FormulaCycle{};
        return n.Path.empty() ? reader->value() : reader->GetFldValue(&n);
    }
    const auto& kids = n.FrmlItList;
    auto arg = [&](size_t i) { return CalcNode(*kids.at(i)); };
    auto truth = [](const Value& v) -> Value {
        return IsNumeric(v) ? Value(v.asDouble() != 0 ? 1 : 0) : Value();
    };
    switch (n.Func) {
    case ffAdd: {
        Value r = arg(0);
        for (size_t i = 1; i < kids.size(); ++i) {
            const Value b = arg(i);
            if (r.isNull() || b.isNull()) {
                r = Value();
            } else if (IsNumeric(r) && IsNumeric(b)) {
                r = r.kind() == Value::Kind::Int && b.kind() == Value::Kind::Int ? Value(r.intValue() + b.intValue())
                                                                                   : Value(r.asDouble() + b.asDouble());
            } else {
                const bool dateField = kids[i]->IsField() &&
                                       (kids[i]->FldValue->FldType() == ftDate || kids[i]->FldValue->FldType() == ftDateTime);
                r = Value(PlainText(r) + (dateField ? DateTimeText(b) : PlainText(b)));
            }
        }
        return r;
    }
    case ffDed: {
        Value r = arg(0);
        for (size_t i = 1; i < kids.size(); ++i) {
            const Value b = arg(i);
            if (r.isNull() || b.isNull())
                r = Value();
            else if (r.kind() == Value::Kind::Int && b.kind() == Value::Kind::Int)
                r = Value(r.intValue() - b.intValue());
            else
                r = Value(r.asDouble() - b.asDouble());
        }
        return r;
    }
    case ffMul: {
        Value r = arg(0);
        for (size_t i = 1; i < kids.size(); ++i) {
            const Value b = arg(i);
            r = r.isNull() || b.isNull() ? Value() : Value(r.asDouble() * b.asDouble());
        }
        return r;
    }
    case ffDiv: {
        Value r = arg(0);
        for (size_t i = 1; i < kids.size(); ++i) {
            const Value b = arg(i);
            if (r.isNull() || b.isNull() || b.asDouble() == 0)
                r = Value();
            else
                r = Value(r.asDouble() / b.asDouble());
        }
        return r;
    }
    case ffRate: return CurrRateTable.GetRate(arg(0), arg(1));
    case ffCurD: return Value(std::trunc(db().CurrentDate().serial));
    case ffCurDT: return Value(db().CurrentDateTime());
    case ffCurU: return Value(static_cast<long long>(db().CurrentUserId));
    case ffParId: return Value();
    case ffIf: {
        // Only the chosen branch is evaluated.
        const Value c = arg(0);
        if (!IsNumeric(c))
            return Value();
        return c.asDouble() != 0 ? arg(1) : arg(2);
    }
    case ffAnd:
    case ffOr: {
        Value r;
        for (size_t i = 0; i < kids.size(); ++i) {
            r = truth(arg(i));
            const bool zero = !r.isNull() && r.asInteger() == 0;
            if (n.Func == ffAnd ? zero : !zero)
                break;
        }
        return r;
    }
    case ffEqual: {
        const Value a = arg(0), b = arg(1);
        if (a.isNull() || b.isNull())
            return Value(a.isNull() && b.isNull() ? 1 : 0);
        return Value(CompareValues(a, b) == 0 ? 1 : 0);
    }
    case ffGreater:
    case ffGreaterEqual:
    case ffLess:
    case ffLessEqual: {
        const Value a = arg(0), b = arg(1);
        if (a.isNull() || b.isNull())
            return Value(0);
        const int c = CompareValues(a, b);
        const bool r = n.Func == ffGreater ? c > 0 : n.Func == ffGreaterEqual ? c >= 0 : n.Func == ffLess ? c < 0 : c <= 0;
        return Value(r ? 1 : 0);
    }
    case ffEmpty: return Value(arg(0).isNull() ? 1 : 0);
    case ffContaining: {
        const QString a = arg(0).asString(), b = arg(1).asString();
        return Value(!a.isEmpty() && b.contains(a, Qt::CaseSensitive) ? 1 : 0);
    }
    case ffNot: {
        const Value a = arg(0);
        if (!IsNumeric(a))
            return Value();
        return Value(a.asDouble() == 0 ? 1 : 0);
    }
    case ffSimpleRoundTo: {
        const Value a = arg(0), b = arg(1);
        if (!IsNumeric(a) || !IsNumeric(b))
            return Value();
        return Value(RoundTo(a.asDouble(), static_cast<int>(-b.asInteger())));
    }
    case ffPercent: {
        const Value a = arg(0), b = arg(1);
        if (!IsNumeric(a) || a.asDouble() == 0 || !IsNumeric(b))
            return Value();
        return Value(b.asDouble() / a.asDouble() * 100);
    }
    case ffNumberPercent: {
        const Value a = arg(0), b = arg(1);
        if (!IsNumeric(a) || !IsNumeric(b))
            return Value();
        return Value(a.asDouble() * b.asDouble() / 100);
    }
    case ffDayOf:
    case ffWeekOf:
    case ffMonthOf:
    case ffYearOf: {
        const Value a = arg(0);
        if (!IsNumeric(a))
            return Value();
        const QDate d = DateFromSerial(a.asDouble());
        switch (n.Func) {
        case ffDayOf: return Value(d.day());
        case ffWeekOf: return Value(d.weekNumber());
        case ffMonthOf: return Value(d.month());
        default: return Value(d.year());
        }
    }
    case ffInc: return Counter(*kids.at(0));
    default:
        RaiseMsgFmt(QStringLiteral("TRec.CalcRecItem: Функция \"%s\" неизвестна системе."), {n.FuncName(db())});
    }
}

Value TRec::Counter(const TFrmlIt& f)
{
    TRecItem* link = RecItemByFld(f.Path.at(0));
    if (link->CalcState == csNeed)
        CalcItem(*link);
    const Value v = link->value();
    if (v.isNull())
        return Value();
    Value key = v;
    TObj* holder = f.FldValue->Obj;
    if (f.Path.size() > 1) {
        TSQL sql(List);
        sql.NoAcc = true;
        sql.SkipReadAcc = true;
        sql.SetObj(f.Path[0]->FKObj);
        TJoin* j = sql.AddJoin(f.FldValue, f.Path, 1);
        const int pos = sql.AddSelFld(j->Obj->PKFld, j);
        TFltr k(List, false);
        k.AddChild(nullptr, -1, f.Path[0]->FKObj->PKFld, {}, false, fitEqual, fitvConst, v);
        sql.AddFltr(&k);
        auto q = db().CreateIBSQLS(link->RefreshValuesInChangeTR);
        q->SetSQL(sql.GetSelectSQL(false));
        sql.SetFltrParams(*q);
        q->ExecQuery();
        key = q->Eof() ? Value() : q->Field(pos);
        q->Close();
        if (key.isNull())
            return Value();
    }
    // One statement increments and reads, so two users never get the same number.
    const QString table = holder->Table(), column = f.FldValue->Field(), pk = holder->PKFld->Field();
    CheckIdents({table, column, pk});
    const QString sql = QStringLiteral("update %1 set %2 = %2 + 1 where %3 = :%3 and %2 is not null returning %2")
                            .arg(table, column, pk);
    Value result;
    auto run = [&](FbTransaction& tra) {
        FbStatement q(db().attachment(), tra);
        q.SetSQL(sql);
        q.SetParam(pk, key);
        q.ExecQuery();
        result = q.Eof() ? Value() : q.Field(0);
        q.Close();
    };
    if (link->RefreshValuesInChangeTR) {
        run(db().changeTransaction());
    } else {
        // Another user's increment committed while ours waited: the engine reports an
        // update conflict, and the increment is simply tried again.
        for (int attempt = 1;; ++attempt) {
            FbTransaction own(db().attachment(), TransactionKind::ChangeWait);
            own.Start();
            try {
                run(own);
                own.Commit();
                break;
            } catch (const FbError& e) {
                const bool conflict = e.has(isc_update_conflict_code) || e.has(isc_deadlock_code);
                if (!conflict || attempt >= 100)
                    throw;
            }
        }
    }
    return result;
}

void TRec::AssignNewId()
{
    TRecItem* key = obj_->PKFld ? RecItemByFld(obj_->PKFld) : nullptr;
    if (key && key->value().isNull())
        key->SetValue(Value(static_cast<long long>(obj_->GetGenId(1))));
}

void TRec::CheckMandForInsert()
{
    for (auto& i : items_)
        if (i->Fld->NotNull())
            i->CheckEmpty();
}

void TRec::CheckMandForUpdate()
{
    for (auto& i : items_)
        if (i->Modified && i->Fld->NotNull())
            i->CheckEmpty();
}

void TRec::SetParamValue(FbStatement& AIBSQL, const TRecItem& ARecItem)
{
    const Value& v = ARecItem.value();
    Value bind = v;
    if (!v.isNull()) {
        switch (ARecItem.Fld->FldType()) {
        case ftStr: {
            const qint64 len = ARecItem.Fld->Len();
            const QString text = v.asString();
            // Cut by characters (code points), never inside one.
            if (len > 0 && text.size() > len) {
                const QList<uint> ucs = text.toUcs4();
                if (ucs.size() > len)
                    bind = Value(QString::fromUcs4(reinterpret_cast<const char32_t*>(ucs.constData()), len));
            }
            break;
        }
        case ftDate: bind = Value(TDateTime{std::trunc(v.asDouble())}); break;
        case ftDateTime: bind = Value(TDateTime{v.asDouble()}); break;
        default: break;
        }
    }
    AIBSQL.SetParam(ARecItem.Fld->Field(), bind);
}

void TRec::Execute(FbStatement& stmt)
{
    try {
        stmt.ExecQuery();
        stmt.Close();
    } catch (const FbError& e) {
        MapViolation(e);
        throw;
    }
}

void TRec::MapViolation(const FbError& e) const
{
    const QString msg = e.message();
    // Quoted names are read as tokens: values may hold commas, brackets and quotes.
    auto quoted = [&](qsizetype from, qsizetype* end) -> QString {
        const qsizetype a = msg.indexOf(u'"', from);
        if (a < 0)
            return QString();
        const qsizetype b = msg.indexOf(u'"', a + 1);
        if (b < 0)
            return QString();
        if (end)
            *end = b + 1;
        return msg.mid(a + 1, b - a - 1);
    };
    auto objOf = [&](const QString& table) {
        TObj* o = List.FindObjByTable(table);
        return o ? o : obj_;
    };
    if (msg.startsWith(QStringLiteral("violation of PRIMARY or UNIQUE KEY constraint "))) {
        qsizetype pos = 0;
        quoted(0, &pos);                    // the constraint
        const QString table = quoted(pos, &pos);
        TObj* obj = objOf(table);
        QStringList parts;
        const qsizetype open = msg.indexOf(u'(', pos);
        qsizetype i = open + 1;
        while (open >= 0 && i < msg.size() && msg[i] != u')') {
            while (i < msg.size() && (msg[i] == u' ' || msg[i] == u','))
                ++i;
            if (i >= msg.size() || msg[i] != u'"')
                break;
            qsizetype after = i;
            const QString column = quoted(i, &after);
            i = after;
            // " = " then the value: a quoted literal ('' inside) or up to ", " / ")".
            qsizetype v = msg.indexOf(u'=', i);
            if (v < 0)
                break;
            v += 1;
            while (v < msg.size() && msg[v] == u' ')
                ++v;
            qsizetype ve = v;
            if (ve < msg.size() && msg[ve] == u'\'') {
                ++ve;
                while (ve < msg.size()) {
                    if (msg[ve] == u'\'' && ve + 1 < msg.size() && msg[ve + 1] == u'\'') {
                        ve += 2;
                        continue;
                    }
                    if (msg[ve] == u'\'') {
                        ++ve;
                        break;
                    }
                    ++ve;
                }
            } else {
                while (ve < msg.size() && msg[ve] != u',' && msg[ve] != u')')
                    ++ve;
            }
            const TFld* f = obj->FldList.FindByField(column);
            parts << (f ? f->Name() : column) + QStringLiteral(" = ") + msg.mid(v, ve - v).trimmed();
            i = ve;
        }
        RaiseMsgFmt(QStringLiteral("Попытка нарушения уникальности полей (%s) объекта \"%s\"."),
                    {parts.join(QStringLiteral(", ")), obj->Name()});
    }
    if (msg.startsWith(QStringLiteral("violation of FOREIGN KEY constraint "))) {
        qsizetype pos = 0;
        const QString constraint = quoted(0, &pos);
        const QString table = quoted(pos, &pos);
        TObj* obj = objOf(table);
        // The constraint is named "FK_" + table + "_" + column.
        const QString prefix = QStringLiteral("FK_") + table + u'_';
        const QString column = constraint.startsWith(prefix) ? constraint.mid(prefix.size()) : constraint;
        const TFld* f = obj->FldList.FindByField(column);
        RaiseMsgFmt(QStringLiteral("Попытка нарушения целостности поля \"%s\" объекта \"%s\"."),
                    {f ? f->Name() : column, obj->Name()});
    }
}

void TRec::Post()
{
    if (!stmtC_)
        stmtC_ = db().CreateIBSQLC();
    FbStatement* stmt = stmtC_.get();
    if (New) {
        obj_->CheckAdd();
        AssignNewId();
        CheckMandForInsert();
        std::vector<TRecItem*> cols;
        std::vector<TFld*> flds;
        for (auto& i : items_)
            if (i->ForInsert && !i->Fld->Virt()) {
                cols.push_back(i.get());
                flds.push_back(i->Fld);
            }
        // Records posted one after another mostly fill the same columns: the text is kept.
        if (flds != insertCols_ || insertSQL_.isEmpty()) {
            TSQL sql(List);
            sql.NoAcc = true;
            sql.SkipReadAcc = true;
            sql.SetObj(obj_);
            for (TFld* f : flds)
                sql.AddFld(f);
            insertSQL_ = sql.GetInsertSQL();
            insertCols_ = flds;
        }
        stmt->SetSQL(insertSQL_);
        for (TRecItem* i : cols)
            SetParamValue(*stmt, *i);
        Execute(*stmt);
        if (CopyChilds)
            CopyChildRecords();
        RecId = obj_->PKFld ? RecItemByFld(obj_->PKFld)->value() : Value();
        pkFltr_->Root->Value_ = RecId;
        return;
    }
    if (!NoAcc)
        CheckAcc(aEdit);
    CheckMandForUpdate();
    TSQL sql(List);
    sql.NoAcc = true;
    sql.SkipReadAcc = true;
    sql.SetObj(obj_);
    std::vector<TRecItem*> cols;
    for (auto& i : items_)
        if (i->ForUpdate()) {
            sql.AddFld(i->Fld);
            cols.push_back(i.get());
        }
    if (cols.empty())
        return;  // nothing changed: nothing to write
    pkFltr_->Root->Value_ = RecId;
    sql.AddFltr(pkFltr_.get());
    stmt->SetSQL(sql.GetUpdateSQL());
    for (TRecItem* i : cols)
        SetParamValue(*stmt, *i);
    sql.SetFltrParams(*stmt);
    Execute(*stmt);
}

void TRec::Delete()
{
    TSQL sql(List);
    sql.NoAcc = true;
    sql.SkipReadAcc = true;
    sql.SetObj(obj_);
    pkFltr_->Root->Value_ = RecId;
    sql.AddFltr(pkFltr_.get());
    auto stmt = db().CreateIBSQLC();
    stmt->SetSQL(sql.GetDeleteSQL());
    sql.SetFltrParams(*stmt);
    stmt->ExecQuery();
    stmt->Close();
}

void TRec::CopyChildRecords()
{
    const Value newKey = RecItemByFld(obj_->PKFld)->value();
    for (auto& item : items_) {
        TFld* f = item->Fld;
        if (f->FldType() != ftFK || !f->Flag(QStringLiteral("FLD_COPYCHLD")) || item->value().isNull() || !f->FKObj)
            continue;
        for (const auto& L : f->FKObj->ChildList) {
            TObj* C = L->ChildFld->Obj;
            if (C->CopyGrd().isEmpty())
                continue;
            // The source children, as this user may see them.
            TSQL sql(List);
            sql.SetObj(C);
            std::vector<std::pair<TFld*, int>> cols;
            for (TFld* a : C->FldList)
                if (!a->Virt())
                    cols.emplace_back(a, sql.AddFld(a));
            TFltr byParent(List, false);
            byParent.AddChild(nullptr, -1, L->ChildFld, {}, false, fitEqual, fitvConst, item->value());
            sql.AddFltr(&byParent);
            std::vector<std::vector<Value>> rows;
            auto q = db().CreateIBSQLS(true);
            q->SetSQL(sql.GetSelectSQL(false));
            sql.SetFltrParams(*q);
            for (q->ExecQuery(); !q->Eof(); q->Next()) {
                std::vector<Value> row;
                for (auto& [a, pos] : cols)
                    row.push_back(q->Field(pos));
                rows.push_back(std::move(row));
            }
            q->Close();
            for (const auto& K : obj_->ChildList) {
                TObj* target = K->ChildFld->Obj;
                if (target->CopyGrd() != C->CopyGrd())
                    continue;
                for (const auto& row : rows) {
                    TRec copy(List, target, true);
                    copy.CopyChilds = CopyChilds;
                    for (const auto& ci : copy.items_)
                        ci->RefreshValuesInChangeTR = true;
                    copy.SetDefaultValues(K.get(), newKey);
                    for (size_t a = 0; a < cols.size(); ++a) {
                        TFld* A = cols[a].first;
                        for (TFld* B : target->FldList) {
                            // The link to the new parent is set above and is never copied over.
                            if (B == target->PKFld || B->TriDst() > 0 || B == K->ChildFld || B->Name() != A->Name())
                                continue;
                            if (!row[a].isNull())
                                copy.RecItemByFld(B)->SetValue(ForRecord(row[a], B->FldType()));
                        }
                    }
                    copy.RecItemByFld(target->PKFld)->SetValue(Value());
                    copy.Post();
                }
            }
        }
    }
}

void TRec::CopyDataFrom(const TSObj& ASObj)
{
    for (const TObjFld& f : ASObj.Flds())
        if (TFld* fld = obj_->FldList.FindByField(f.Field))
            RecItemByFld(fld)->SetValue(f.value);
}

void TRec::CopyDataTo(TSObj& ASObj, bool AllFields) const
{
    for (const auto& i : items_)
        if ((AllFields || i->Modified) && ASObj.FindFld(i->Fld->Field()))
            ASObj.Set(i->Fld->Field(), i->value());
}

void TRec::SetModifiedFalse()
{
    for (auto& i : items_)
        i->Modified = false;
}

void TRec::SetAllForInsert()
{
    for (auto& i : items_)
        i->ForInsert = i->Fld->TriDst() == 0 && !i->Fld->Virt();
}

bool TRec::CanAcc(TAcc AAcc) const
{
    return obj_->Meta() || obj_->CanAcc(own_, grp_, usr_, AAcc);
}

void TRec::CheckAcc(TAcc AAcc, QObject* AWinControl) const
{
    if (CanAcc(AAcc))
        return;
    if (AAcc == aReadCrd)
        RaiseMsgFmt(QStringLiteral("У вас нет доступа видеть карточку этой записи объекта \"%s\"."), {obj_->Name()}, AWinControl);
    if (AAcc == aEdit)
        RaiseMsgFmt(QStringLiteral("У вас нет доступа редактировать эту запись объекта \"%s\"."), {obj_->Name()}, AWinControl);
    RaiseMsg(QStringLiteral("Нет доступа"), AWinControl);
}

}  // namespace korvanta
