#include "TSQL.h"

#include "db/TDB.h"

#include <cmath>
#include <functional>

namespace korvanta {

namespace {
QString Comma(size_t i, size_t n)
{
    return i + 1 < n ? QStringLiteral(",") : QString();
}

}  // namespace

QString TSQLFld::AliasField() const
{
    return QStringLiteral("T%1%2").arg(Join->Index).arg(Fld->Field());
}

TSQL::TSQL(TObjList& list) : list_(list), hideFltrs_(std::make_unique<TFltrList>(list)), accFltr_(std::make_unique<TFltr>(list, false))
{
    Reset();
}

TSQL::~TSQL() = default;

void TSQL::Reset()
{
    flds_.clear();
    joins_.clear();
    fltrs_.clear();
    accJoins_.clear();
    LastJoinIndex = -1;
    LastParamIndex = -1;
    PKSQLFldIndex = OwnSQLFldIndex = GrpAccSQLFldIndex = UsrAccSQLFldIndex = -1;
    SortSQLFld = TSQLFld{};
    SortDesc = false;
}

void TSQL::RequireObj() const
{
    if (!obj_)
        RaiseMsg(QStringLiteral("TSQL: Объект не указан."));
}

TJoinAcc* TSQL::AddAccJoin(TObj* AObj, TJoinAcc::Kind kind, bool left)
{
    auto j = std::make_unique<TJoinAcc>();
    j->Index = NextJoin();
    j->Obj = AObj;
    j->Left = left;
    j->kind = kind;
    accJoins_.push_back(std::move(j));
    return accJoins_.back().get();
}

void TSQL::SetObj(TObj* AObj)
{
    Reset();
    obj_ = nullptr;
    accFltr_->Clear();
    auto root = std::make_unique<TJoin>();
    root->Index = NextJoin();
    root->Obj = AObj;
    joins_.push_back(std::move(root));
    if (!SkipReadAcc)
        AObj->ReadAcc();
    if (!AObj->Meta() && !NoAcc) {
        TObjList& l = list_;
        TObj* uoa = l.GetObjByTable(QStringLiteral("UOA"));
        TJoinAcc* A = AddAccJoin(uoa, TJoinAcc::Kind::UOA, false);
        A->FKFld1 = uoa->GetFldByField(QStringLiteral("USR_ID"));
        A->Value1 = db().CurrentUserId;
        A->FKFld2 = uoa->GetFldByField(QStringLiteral("OBJ_ID"));
        A->Value2 = AObj->Id();
        TFld* owner = AObj->GetAccFld();
        TJoinAcc *B = nullptr, *D = nullptr;
        if (owner && AObj->UOA->Own() == aDetail) {
            TObj* uua = l.GetObjByTable(QStringLiteral("UUA"));
            TObj* usr = l.GetObjByTable(QStringLiteral("USR"));
            TObj* uga = l.GetObjByTable(QStringLiteral("UGA"));
            B = AddAccJoin(uua, TJoinAcc::Kind::UUA, true);
            B->FKFld1 = uua->GetFldByField(QStringLiteral("UOA_ID"));
            B->Join1 = A;
            B->FKFld2 = uua->GetFldByField(QStringLiteral("USR_ID"));
            B->Join2 = Root();
            B->Join2Fld = owner;
            TJoinAcc* C = AddAccJoin(usr, TJoinAcc::Kind::USR, AObj->UOA->NoOwn() != aNoAcc);
            C->FKFld1 = usr->PKFld;
            C->Join2 = Root();
            C->Join2Fld = owner;
            D = AddAccJoin(uga, TJoinAcc::Kind::UGA, true);
            D->FKFld1 = uga->GetFldByField(QStringLiteral("UOA_ID"));
            D->Join1 = A;
            D->FKFld2 = uga->GetFldByField(QStringLiteral("USRGRP_ID"));
            D->Join2 = C;
            D->Join2Fld = usr->GetFldByField(QStringLiteral("USRGRP_ID"));
        }
        BuildAccFltr(owner, A, B, D);
    }
    obj_ = AObj;
}

void TSQL::BuildAccFltr(TFld* owner, TJoinAcc* A, TJoinAcc* B, TJoinAcc* D)
{
    TFltr& f = *accFltr_;
    TObj* uoa = A->Obj;
    TFld* noOwn = uoa->GetFldByField(QStringLiteral("NOOWNACC_ID"));
    TFld* own = uoa->GetFldByField(QStringLiteral("OWNACC_ID"));
    // Every condition is an emptiness test: the rights condition has no parameters.
    auto empty = [&](TFltrIt* parent, int join, TFld* fld, bool notEmpty) {
        return f.AddChild(parent, join, fld, {}, notEmpty, fitEmpty, fitvNone, Value());
    };
    if (!owner) {
        empty(nullptr, A->Index, noOwn, true);
        return;
    }
    OwnSQLFldIndex = AddSelFld(owner, Root());
    if (!B) {
        TFltrIt* orNode = f.AddChildOr(nullptr);
        TFltrIt* a1 = f.AddChildAnd(orNode);
        empty(a1, A->Index, noOwn, true);
        empty(a1, 0, owner, false);
        TFltrIt* a2 = f.AddChildAnd(orNode);
        empty(a2, A->Index, own, true);
        empty(a2, 0, owner, true);
        return;
    }
    GrpAccSQLFldIndex = AddSelFld(D->Obj->GetFldByField(QStringLiteral("ACC_ID")), D);
    UsrAccSQLFldIndex = AddSelFld(B->Obj->GetFldByField(QStringLiteral("ACC_ID")), B);
    TFltrIt* orNode = f.AddChildOr(nullptr);
    empty(orNode, B->Index, B->Obj->PKFld, true);
    empty(orNode, D->Index, D->Obj->PKFld, true);
    if (Root()->Obj->UOA->NoOwn() != aNoAcc)
        empty(orNode, 0, owner, false);
}

TJoin* TSQL::FollowLink(TFld* F, TJoin* J)
{
    for (size_t i = 1; i < joins_.size(); ++i)
        if (joins_[i]->JoinFld == F && joins_[i]->Join == J)
            return joins_[i].get();
    if (!F->FKObj)
        RaiseMsgFmt(QStringLiteral("У поля-ссылки \"%s\" нет связи с другим объектом."), {F->Name()});
    auto j = std::make_unique<TJoin>();
    j->Index = NextJoin();
    j->Obj = F->FKObj;
    j->Join = J;
    j->JoinFld = F;
    j->Left = !(F->NotNull() && !J->Left);
    joins_.push_back(std::move(j));
    return joins_.back().get();
}

TJoin* TSQL::AddJoin(TFld*, const TFldList& APath, int SkipFirstPath)
{
    RequireObj();
    TJoin* j = Root();
    for (size_t i = static_cast<size_t>(SkipFirstPath); i < APath.size(); ++i)
        j = FollowLink(APath[i], j);
    return j;
}

TJoin* TSQL::AddJoin(TObj* AObj)
{
    auto j = std::make_unique<TJoin>();
    j->Index = NextJoin();
    j->Obj = AObj;
    joins_.push_back(std::move(j));
    return joins_.back().get();
}

int TSQL::AddSelFld(TFld* AFld, TJoin* AJoin)
{
    for (size_t i = 0; i < flds_.size(); ++i)
        if (flds_[i].Fld == AFld && flds_[i].Join == AJoin)
            return static_cast<int>(i);
    flds_.push_back({AFld, AJoin});
    return static_cast<int>(flds_.size()) - 1;
}

int TSQL::AddFld(TFld* AFld)
{
    RequireObj();
    return AddSelFld(AFld, Root());
}

void TSQL::AddAllFld()
{
    for (const auto& j : joins_)
        for (TFld* f : j->Obj->FldList)
            AddSelFld(f, j.get());
}

void TSQL::AddTbl(TFld* APKFld, TTblColumn& ATblTree)
{
    RequireObj();
    PKSQLFldIndex = AddSelFld(APKFld, Root());
    WalkTbl(ATblTree, Root());
}

void TSQL::WalkTbl(TTblColumn& AItem, TJoin* AJoin)
{
    for (auto& child : AItem.Children) {
        if (child->Fld && child->Fld->FldType() == ftFK && !child->Children.empty()) {
            WalkTbl(*child, FollowLink(child->Fld, AJoin));
            continue;
        }
        if (!child->Fld)
            continue;
        child->ColNum = AddSelFld(child->Fld, AJoin);
        if (!child->SortPos.isNull()) {
            SortSQLFld = {child->Fld, AJoin};
            SortDesc = child->Desc;
        }
    }
}

void TSQL::AddFltr(TFltr* AFltr)
{
    RequireObj();
    std::function<void(TFltrIt&)> walk = [&](TFltrIt& n) {
        if (n.Fld)
            n.JoinIndex = AddJoin(n.Fld, n.Path, 0)->Index;
        n.ParamIndex = ++LastParamIndex;
        for (auto& c : n.FltrItList)
            walk(*c);
    };
    if (AFltr->Root)
        walk(*AFltr->Root);
    fltrs_.push_back(AFltr);
}

void TSQL::ExtractFltr(TFltr* AFltr)
{
    std::erase(fltrs_, AFltr);
}

void TSQL::AddHideFltrs()
{
    RequireObj();
    for (TFltr* f : *hideFltrs_)
        ExtractFltr(f);
    hideFltrs_->ClearTmpl();
    TFltrSaveList saved(list_);
    saved.Load(QStringLiteral("OBJ_ID"), Value(static_cast<long long>(obj_->Id())));
    std::vector<qint64> ids;
    for (const TFltrSave& s : saved)
        if (s.AccF == afPermDefHide)
            ids.push_back(s.Id);
    hideFltrs_->Load(ids);
    for (TFltr* f : *hideFltrs_)
        AddFltr(f);
}

void TSQL::AddSQLSelectFields(QStringList& ASL) const
{
    for (size_t i = 0; i < flds_.size(); ++i) {
        const TSQLFld& s = flds_[i];
        ASL << QStringLiteral("  T%1.%2 as %3%4").arg(s.Join->Index).arg(s.Fld->Field(), s.AliasField(), Comma(i, flds_.size()));
    }
}

QString TSQL::GetSelectSQL(bool ASort, bool ACount) const
{
    RequireObj();
    QStringList l{QStringLiteral("select")};
    if (ACount)
        l << QStringLiteral("count(*)");
    else
        AddSQLSelectFields(l);
    l << QStringLiteral("from") << QStringLiteral("  %1 T%2").arg(obj_->Table()).arg(Root()->Index);
    for (size_t i = 1; i < joins_.size(); ++i) {
        const TJoin& j = *joins_[i];
        if (!j.Join) {
            continue;  // an alias reserved for a hand-written join
        }
        l << QStringLiteral("  %1join %2 T%3 on T%3.%4 = T%5.%6")
                 .arg(j.Left ? QStringLiteral("left ") : QString(), j.Obj->Table())
                 .arg(j.Index)
                 .arg(j.Obj->PKFld->Field())
                 .arg(j.Join->Index)
                 .arg(j.JoinFld->Field());
    }
    for (const auto& a : accJoins_) {
        switch (a->kind) {
        case TJoinAcc::Kind::UOA:
            l << QStringLiteral("  join %1 T%2 on T%2.%3 = %4 and T%2.%5 = %6")
                     .arg(a->Obj->Table())
                     .arg(a->Index)
                     .arg(a->FKFld1->Field())
                     .arg(a->Value1)
                     .arg(a->FKFld2->Field())
                     .arg(a->Value2);
            break;
        case TJoinAcc::Kind::UUA:
        case TJoinAcc::Kind::UGA:
            l << QStringLiteral("  left join %1 T%2 on T%2.%3 = T%4.%5 and T%2.%6 = T%7.%8")
                     .arg(a->Obj->Table())
                     .arg(a->Index)
                     .arg(a->FKFld1->Field())
                     .arg(a->Join1->Index)
                     .arg(a->Join1->Obj->PKFld->Field(), a->FKFld2->Field())
                     .arg(a->Join2->Index)
                     .arg(a->Join2Fld->Field());
            break;
        case TJoinAcc::Kind::USR:
            l << QStringLiteral("  %1join %2 T%3 on T%3.%4 = T%5.%6")
                     .arg(a->Left ? QStringLiteral("left ") : QString(), a->Obj->Table())
                     .arg(a->Index)
                     .arg(a->FKFld1->Field())
                     .arg(a->Join2->Index)
                     .arg(a->Join2Fld->Field());
            break;
        }
    }
    AddWhere(l, true);
    // A count never carries an order: the database refuses it.
    if (ASort && !ACount && SortSQLFld.Fld)
        l << QStringLiteral("order by T%1.%2%3")
                 .arg(SortSQLFld.Join->Index)
                 .arg(SortSQLFld.Fld->Field(), SortDesc ? QStringLiteral(" desc") : QString());
    return l.join(u'\n');
}

QString TSQL::GetInsertSQL() const
{
    RequireObj();
    QStringList l{QStringLiteral("insert into"), QStringLiteral("  ") + obj_->Table(), QStringLiteral("(")};
    for (size_t i = 0; i < flds_.size(); ++i)
        l << QStringLiteral("  %1%2").arg(flds_[i].Fld->Field(), Comma(i, flds_.size()));
    l << QStringLiteral(") values (");
    for (size_t i = 0; i < flds_.size(); ++i)
        l << QStringLiteral("  :%1%2").arg(flds_[i].Fld->Field(), Comma(i, flds_.size()));
    l << QStringLiteral(")");
    return l.join(u'\n');
}

QString TSQL::GetUpdateSQL() const
{
    RequireObj();
    QStringList l{QStringLiteral("update"), QStringLiteral("  %1 T%2").arg(obj_->Table()).arg(Root()->Index),
                  QStringLiteral("set")};
    for (size_t i = 0; i < flds_.size(); ++i)
        l << QStringLiteral("  T%1.%2 = :%2%3").arg(Root()->Index).arg(flds_[i].Fld->Field(), Comma(i, flds_.size()));
    AddWhere(l, false);
    return l.join(u'\n');
}

QString TSQL::GetDeleteSQL() const
{
    RequireObj();
    QStringList l{QStringLiteral("delete"), QStringLiteral("from"),
                  QStringLiteral("  %1 T%2").arg(obj_->Table()).arg(Root()->Index)};
    AddWhere(l, false);
    return l.join(u'\n');
}

void TSQL::AddWhere(QStringList& lines, bool withAcc) const
{
    // The rights condition joins the filters of a select only, and only in its text.
    std::vector<const TFltr*> all(fltrs_.begin(), fltrs_.end());
    if (withAcc && accFltr_->Root)
        all.push_back(accFltr_.get());
    bool first = true;
    for (const TFltr* f : all) {
        if (!f->Root)
            continue;
        lines << (first ? QStringLiteral("where") : QStringLiteral("and"));
        first = false;
        AddSQLFltrIt(lines, *f->Root, QStringLiteral("  "));
    }
}

void TSQL::AddSQLFltrIt(QStringList& lines, const TFltrIt& n, const QString& I) const
{
    auto fieldRef = [&] { return QStringLiteral("T%1.%2").arg(n.JoinIndex).arg(n.Fld->Field()); };
    if (n.Type_ == fitEmpty) {
        lines << I + fieldRef() + u' ' + (n.No ? QStringLiteral("is not null") : QStringLiteral("is null"));
        return;
    }
    if (n.TypeOfValue != fitvNone) {
        QString op;
        switch (n.Type_) {
        case fitEqual: op = n.No ? QStringLiteral("<>") : QStringLiteral("="); break;
        case fitGreater: op = n.No ? QStringLiteral("<=") : QStringLiteral(">"); break;
        case fitGreaterEqual: op = n.No ? QStringLiteral("<") : QStringLiteral(">="); break;
        case fitLess: op = n.No ? QStringLiteral(">=") : QStringLiteral("<"); break;
        case fitLessEqual: op = n.No ? QStringLiteral(">") : QStringLiteral("<="); break;
        case fitContaining: op = n.No ? QStringLiteral("not containing") : QStringLiteral("containing"); break;
        case fitBetween:
        case fitIn:
        case fitExist:
            // These kinds have no translation; a query built without them would be invalid.
            RaiseMsgFmt(QStringLiteral("Условие вида \"%s\" не поддерживается в фильтрах. Измените фильтр."),
                        {db().FltrItTypeToName(n.Type_)});
        default:
            RaiseMsgFmt(QStringLiteral("TSQL.AddSQLFltrIt: Неизвестный тип узла дерева условий \"%s\"."),
                        {db().FltrItTypeToName(n.Type_)});
        }
        if (!n.Fld)
            RaiseMsg(QStringLiteral("TSQL.AddSQLFltrIt: У условия не указано поле."));
        if (n.TypeOfValue == fitvField) {
            // Compared with another field of the same record.
            if (!n.FldValue || n.FldValue->Obj != obj_)
                RaiseMsg(QStringLiteral("Условие сравнения с полем другого объекта не поддерживается. Измените фильтр."));
            lines << I + fieldRef() + u' ' + op + QStringLiteral(" T%1.%2").arg(Root()->Index).arg(n.FldValue->Field());
            return;
        }
        lines << I + fieldRef() + u' ' + op + QStringLiteral(" :%1").arg(n.ParamIndex);
        return;
    }
    if (n.Type_ != fitAnd && n.Type_ != fitOr)
        RaiseMsgFmt(QStringLiteral("TSQL.AddSQLFltrIt: Неизвестный тип узла дерева условий \"%s\"."),
                    {db().FltrItTypeToName(n.Type_)});
    const QString word = n.Type_ == fitAnd ? QStringLiteral("and") : QStringLiteral("or");
    lines << I + u'(';
    for (size_t i = 0; i < n.FltrItList.size(); ++i) {
        if (i > 0)
            lines << I + word;
        AddSQLFltrIt(lines, *n.FltrItList[i], I + QStringLiteral("  "));
    }
    lines << I + u')';
}

TDateGrp FltrItToDateGrp(TFltrItFn AFn)
{
    switch (AFn) {
    case fifCurD:
    case fifBegD: return dgDay;
    case fifBegW: return dgWeek;
    case fifBegTd: return dgDecade;
    case fifBegM: return dgMonth;
    case fifBegQ: return dgQuarter;
    case fifBegHy: return dgHalfyear;
    case fifBegY: return dgYear;
    default: RaiseMsg(QStringLiteral("FltrItToDateGrp: Неизвестная функция фильтра."));
    }
}

void TSQL::SetFltrParams(FbStatement& AIBSQL) const
{
    TDB& d = db();
    bool haveNow = false;
    TDateTime now, today;
    auto current = [&] {
        if (!haveNow) {
            QDateTime dt = DateTimeFromSerial(d.CurrentDateTime().serial);
            dt.setTime(QTime(dt.time().hour(), dt.time().minute()));
            now = TDateTime{SerialFromDateTime(dt)};
            today = TDateTime{std::trunc(now.serial)};
            haveNow = true;
        }
    };
    std::function<void(const TFltrIt&)> walk = [&](const TFltrIt& n) {
        if (n.Type_ == fitEmpty)
            return;
        if (n.Fld) {
            const QString name = QString::number(n.ParamIndex);
            const TFldType type = n.Fld->FldType();
            if (n.TypeOfValue == fitvConst) {
                if (n.Value_.isNull())
                    RaiseMsg(QStringLiteral("Variant is null"));
                if (type == ftDate)
                    AIBSQL.SetParam(name, Value(TDateTime{std::trunc(n.Value_.asDateTime().serial)}));
                else if (type == ftDateTime)
                    AIBSQL.SetParam(name, Value(n.Value_.asDateTime()));
                else
                    AIBSQL.SetParam(name, n.Value_);
            } else if (n.TypeOfValue == fitvFunc) {
                if (type == ftFK) {
                    if (n.Fn != fifCurU)
                        RaiseMsgFmt(QStringLiteral("TSQL.SetFltrParams: Неизвестная функция \"%s\" для поля-ссылки."),
                                    {d.FltrItFnToName(n.Fn)});
                    AIBSQL.SetParam(name, Value(static_cast<long long>(d.CurrentUserId)));
                } else if (type == ftDate || type == ftDateTime) {
                    const int lag = n.Lag.isNull() ? 0 : static_cast<int>(n.Lag.asInteger());
                    if (n.Fn == fifCurDT) {
                        current();
                        AIBSQL.SetParam(name, Value(TDateTime{now.serial + lag}));
                    } else if (n.Fn >= fifCurD && n.Fn <= fifBegY) {
                        current();
                        const TDateTime start = d.StartOfThe(today, FltrItToDateGrp(n.Fn), lag);
                        AIBSQL.SetParam(name, Value(TDateTime{std::trunc(start.serial)}));
                    } else {
                        RaiseMsgFmt(QStringLiteral("TSQL.SetFltrParams: Неизвестная функция \"%s\" для типа поля \"%s\"."),
                                    {d.FltrItFnToName(n.Fn), d.FldTypeToName(type)});
                    }
                } else {
                    RaiseMsg(QStringLiteral("TSQL.SetFltrParams: Неизвестный тип поля для функции."));
                }
            }
        }
        for (const auto& c : n.FltrItList)
            walk(*c);
    };
    for (const TFltr* f : fltrs_)
        if (f->Root)
            walk(*f->Root);
}

}  // namespace korvanta
