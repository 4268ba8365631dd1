#include "TFltr.h"

#include "TRec.h"
#include "catalogue/NestedSet.h"
#include "db/TDB.h"

#include <functional>

namespace korvanta {

namespace {
auto Kids = [](TFltrIt& n) -> std::vector<std::unique_ptr<TFltrIt>>& { return n.FltrItList; };

void Walk(TFltrIt* node, const std::function<void(TFltrIt&)>& f)
{
    if (!node)
        return;
    f(*node);
    for (auto& c : node->FltrItList)
        Walk(c.get(), f);
}
}  // namespace

QString TFltrIt::PathFld() const
{
    return Path.TextPath() + (Fld ? Fld->Name() : QString());
}

void TFltrIt::CopyNode(const TFltrIt& src)
{
    if (Flds().empty() && !src.Flds().empty())
        for (const TObjFld& f : src.Flds())
            AddFld(f.Field, f.value);
    else
        Assign(src);
    Id = src.Id;
    lft_ = src.lft_;
    rgt_ = src.rgt_;
    Type_ = src.Type_;
    TypeOfValue = src.TypeOfValue;
    Fn = src.Fn;
    Fld = src.Fld;
    FldValue = src.FldValue;
    Dep = src.Dep;
    No = src.No;
    Value_ = src.Value_;
    SId = src.SId;
    Lag = src.Lag;
    Path = src.Path;
    RefValue = src.RefValue;
    JoinIndex = src.JoinIndex;
    ParamIndex = src.ParamIndex;
}

TFltr::TFltr(TObjList& list, bool withHead) : List(list)
{
    if (!withHead)
        return;
    if (const TObj* head = list.FindObjByTable(QStringLiteral("FLTR")))
        AddAllFld(*head);
}

void TFltr::LoadById(qint64 AId)
{
    auto q = db().CreateIBSQLS(false);
    q->SetSQL(QStringLiteral("select F.*\nfrom FLTR F\nwhere F.FLTR_ID = :FLTR_ID"));
    q->SetParam(QStringLiteral("FLTR_ID"), Value(static_cast<long long>(AId)));
    q->ExecQuery();
    if (q->Eof())
        RaiseMsgFmt(QStringLiteral("Не найден фильтр с кодом \"%d\""), {static_cast<long long>(AId)});
    if (Flds().empty())
        AddAllFld(*q);
    CopyDataFrom(*q);
    q->Close();
    LoadTree();
}

void TFltr::LoadBySId(const QString& ASId)
{
    auto q = db().CreateIBSQLS(false);
    q->SetSQL(QStringLiteral("select F.*\nfrom FLTR F\nwhere F.FLTR_SID = :FLTR_SID"));
    q->SetParam(QStringLiteral("FLTR_SID"), ASId);
    q->ExecQuery();
    if (q->Eof())
        RaiseMsgFmt(QStringLiteral("Не найден фильтр с идентификатором \"%s\""), {ASId});
    if (Flds().empty())
        AddAllFld(*q);
    CopyDataFrom(*q);
    q->Close();
    LoadTree();
}

void TFltr::LoadTree()
{
    Root.reset();
    TDB& d = db();
    auto q = d.CreateIBSQLS(false);
    auto pt = d.CreateIBSQLS(false);
    pt->SetSQL(QStringLiteral("select FLD_ID \nfrom FLTRITPT\nwhere FLTRIT_ID = :FLTRIT_ID\norder by FLTRITPT_ID"));
    q->SetSQL(QStringLiteral("select * from FLTRIT F where F.FLTR_ID = %1 order by F.FLTRIT_LFT").arg(Id().asInteger()));
    for (q->ExecQuery(); !q->Eof(); q->Next()) {
        auto node = std::make_unique<TFltrIt>();
        node->AddAllFld(*q);
        node->CopyDataFrom(*q);
        node->Id = node->V(QStringLiteral("FLTRIT_ID"));
        node->SetLftRgt(IdOrZero(node->V(QStringLiteral("FLTRIT_LFT"))), IdOrZero(node->V(QStringLiteral("FLTRIT_RGT"))));
        node->Type_ = d.CodeToFltrItType(node->V(QStringLiteral("FLTRITTP_ID")));
        node->TypeOfValue = d.CodeToFltrItTypeOfValue(node->V(QStringLiteral("FLTRITTOV_ID")));
        node->Fn = d.CodeToFltrItFn(node->V(QStringLiteral("FLTRITFN_ID")));
        const Value no = node->V(QStringLiteral("FLTRIT_NOT"));
        node->No = !no.isNull() && no.asBoolean();
        node->SId = node->V(QStringLiteral("FLTRIT_SID")).asString();
        node->Lag = node->V(QStringLiteral("FLTRIT_LAG"));
        const Value fld = node->V(QStringLiteral("FLD_ID"));
        if (!fld.isNull()) {
            node->Fld = List.GetFldById(fld.asInteger());
            node->Value_ = d.DBStrToVarByFldType(node->V(QStringLiteral("FLTRIT_VALUE")), node->Fld->FldType());
        }
        const Value fv = node->V(QStringLiteral("FLD_ID_VALUE"));
        if (!fv.isNull())
            node->FldValue = List.GetFldById(fv.asInteger());
        const Value dep = node->V(QStringLiteral("DEP_ID"));
        if (!dep.isNull())
            node->Dep = List.GetDepById(dep.asInteger());
        const Value hasPath = node->V(QStringLiteral("FLTRIT_HASPATH"));
        if (!hasPath.isNull() && hasPath.asBoolean()) {
            pt->SetParam(QStringLiteral("FLTRIT_ID"), node->Id);
            for (pt->ExecQuery(); !pt->Eof(); pt->Next())
                node->Path.push_back(List.GetFldById(pt->Field(0).asInteger()));
            pt->Close();
        }
        if (!Root) {
            Root = std::move(node);
        } else if (!PlaceInNestedSet(*Root, node, Kids)) {
            Root.reset();
            RaiseMsg(QStringLiteral("Дерево фильтра испорчено."));
        }
    }
    q->Close();
}

void TFltr::Save(bool HeadOnly)
{
    TDB& d = db();
    ChangeTransaction tr(d);
    // The head through a record of FLTR: new, or updated without reading it first.
    TRec head(List, List.GetObjByTable(QStringLiteral("FLTR")), true);
    Value id = Id();
    if (id.isNull()) {
        head.SetDefaultValues();
    } else {
        head.NoSelect = true;
        head.SetRecId(id);
        head.NoAcc = true;
    }
    for (const TObjFld& f : Flds())
        if (f.Field != u"FLTR_ID")
            head.RecItemByField(f.Field).SetValue(f.value);
    head.Post();
    id = head.RecId;
    if (!HeadOnly && !Id().isNull())
        d.DelRows(QStringLiteral("FLTRIT"), {QStringLiteral("FLTR_ID")}, {id});
    std::vector<std::pair<TFltrIt*, Value>> newIds;
    if (!HeadOnly && Root) {
        RenumberNestedSet(*Root, 1, Kids, [](TFltrIt& n, qint64 l, qint64 r) { n.SetLftRgt(l, r); });
        TObj* nodes = List.GetObjByTable(QStringLiteral("FLTRIT"));
        TObj* steps = List.GetObjByTable(QStringLiteral("FLTRITPT"));
        TRec rec(List, nodes, true);
        TRec step(List, steps, true);
        auto id64 = [](const TSObj* o, qint64 v) { return o ? Value(static_cast<long long>(v)) : Value(); };
        std::function<void(TFltrIt&)> insert = [&](TFltrIt& n) {
            rec.SetDefaultValues();
            auto set = [&](const char* column, const Value& v) { rec.RecItemByField(QString::fromLatin1(column)).SetValue(v); };
            set("FLTR_ID", id);
            set("FLTRIT_LFT", Value(static_cast<long long>(n.Lft())));
            set("FLTRIT_RGT", Value(static_cast<long long>(n.Rgt())));
            set("FLTRITTP_ID", d.FltrItTypeToCode(n.Type_));
            set("FLTRIT_NOT", n.No ? 1 : 0);
            set("FLTRIT_HASPATH", n.HasPath() ? 1 : 0);
            set("FLTRIT_SID", n.SId.isEmpty() ? Value() : Value(n.SId));
            set("FLD_ID", n.Fld ? id64(n.Fld, n.Fld->Id()) : Value());
            set("FLTRIT_VALUE", n.Fld ? d.VarToDBStrByFldType(n.Value_, n.Fld->FldType()) : Value());
            set("FLTRITTOV_ID", d.FltrItTypeOfValueToCode(n.TypeOfValue));
            set("FLTRITFN_ID", d.FltrItFnToCode(n.Fn));
            set("FLD_ID_VALUE", n.FldValue ? id64(n.FldValue, n.FldValue->Id()) : Value());
            set("FLTRIT_LAG", n.Lag);
            set("DEP_ID", n.Dep ? id64(n.Dep, n.Dep->Id()) : Value());
            rec.Post();
            const Value nodeId = rec.RecId;
            newIds.emplace_back(&n, nodeId);
            for (TFld* f : n.Path) {
                step.SetDefaultValues();
                step.RecItemByField(QStringLiteral("FLTRIT_ID")).SetValue(nodeId);
                step.RecItemByField(QStringLiteral("FLD_ID")).SetValue(Value(static_cast<long long>(f->Id())));
                step.Post();
            }
            for (auto& c : n.FltrItList)
                insert(*c);
        };
        insert(*Root);
    }
    tr.Commit();
    // Only a committed save changes what is in memory.
    Set(QStringLiteral("FLTR_ID"), id);
    for (auto& [node, nodeId] : newIds)
        node->Id = nodeId;
}

TFltrIt* TFltr::AddChild(TFltrIt* AParent, std::unique_ptr<TFltrIt> ANew)
{
    TFltrIt* raw = ANew.get();
    if (!AParent) {
        if (Root)
            RaiseMsg(QStringLiteral("TFltr.AddChild: Корневой элемент уже создан."));
        Root = std::move(ANew);
        return raw;
    }
    ANew->Parent = AParent;
    AParent->FltrItList.push_back(std::move(ANew));
    return raw;
}

TFltrIt* TFltr::AddChild(TFltrIt* AParent)
{
    return AddChild(AParent, std::make_unique<TFltrIt>());
}

TFltrIt* TFltr::AddChild(TFltrIt* AParent, TFltrItType AFltrItType, TFltrItTypeOfValue ATypeOfValue)
{
    TFltrIt* n = AddChild(AParent);
    n->Type_ = AFltrItType;
    n->TypeOfValue = ATypeOfValue;
    return n;
}

TFltrIt* TFltr::AddChildAnd(TFltrIt* AParent)
{
    return AddChild(AParent, fitAnd, fitvNone);
}

TFltrIt* TFltr::AddChildOr(TFltrIt* AParent)
{
    return AddChild(AParent, fitOr, fitvNone);
}

TFltrIt* TFltr::AddChildEmpty(TFltrIt* AParent)
{
    return AddChild(AParent, fitEmpty, fitvNone);
}

TFltrIt* TFltr::AddChild(TFltrIt* AParent, int AJoinIndex, TFld* AFld, const TFldList& AFldPath, bool ANo,
                         TFltrItType AFltrItType, TFltrItTypeOfValue ATypeOfValue, const Value& AValue,
                         TFltrItFn AFn, TFld* AFldValue, const Value& ALag)
{
    TFltrIt* n = AddChild(AParent, AFltrItType, ATypeOfValue);
    n->JoinIndex = AJoinIndex;
    n->Fld = AFld;
    n->Path = AFldPath;
    n->No = ANo;
    n->Value_ = AValue;
    n->Fn = AFn;
    n->FldValue = AFldValue;
    n->Lag = ALag;
    return n;
}

void TFltr::Assign(const TFltr& AFltr)
{
    TSObj::Assign(AFltr);
    Root.reset();
    std::function<std::unique_ptr<TFltrIt>(const TFltrIt&, TFltrIt*)> copy = [&](const TFltrIt& src, TFltrIt* parent) {
        auto n = std::make_unique<TFltrIt>();
        n->CopyNode(src);
        n->Parent = parent;
        for (const auto& c : src.FltrItList)
            n->FltrItList.push_back(copy(*c, n.get()));
        return n;
    };
    if (AFltr.Root)
        Root = copy(*AFltr.Root, nullptr);
}

TFltrIt* TFltr::GetFltrItBySId(const QString& ASId) const
{
    TFltrIt* found = nullptr;
    Walk(Root.get(), [&](TFltrIt& n) {
        if (!found && n.SId == ASId)
            found = &n;
    });
    return found;
}

void TFltr::Check() const
{
    Walk(Root.get(), [](TFltrIt& n) {
        // A function or another field supplies the value of those kinds.
        const bool needsConstant = n.TypeOfValue == fitvConst || n.TypeOfValue == fitvNone;
        if (n.Fld && n.Type_ != fitEmpty && needsConstant && n.Value_.isNull())
            throw EFltrItException(QStringLiteral("Условие должно иметь значение."), &n);
    });
}

void CheckFltr(const TFltr& AFltr, QObject* AControl)
{
    try {
        AFltr.Check();
    } catch (const EFltrItException& e) {
        const QString name = AFltr.Name().isEmpty() ? QString() : Format(QStringLiteral("\"%s\" "), {AFltr.Name()});
        RaiseMsg(Format(QStringLiteral("Ошибка в фильтре %sв условии для поля \"%s\":"), {name, e.FltrIt->PathFld()}) +
                     u'\n' + e.message(),
                 AControl);
    }
}

void TFltrList::Load(const std::vector<qint64>& AFltrCheckList)
{
    for (qint64 id : AFltrCheckList) {
        auto f = std::make_unique<TFltr>(List);
        f->LoadById(id);
        if (!f->Root)
            continue;
        f->Tmpl = true;
        push_back(f.release());
    }
}

void TFltrList::ClearTmpl()
{
    for (int i = static_cast<int>(size()) - 1; i >= 0; --i)
        if ((*this)[i]->Tmpl) {
            delete (*this)[i];
            erase(begin() + i);
        }
}

TFltr* TFltrList::GetBySId(const QString& ASId) const
{
    for (TFltr* f : *this)
        if (f->SId() == ASId)
            return f;
    return nullptr;
}

void TFltrSaveList::Load(const QString& AFld, const Value& AFldValue)
{
    if (AFldValue.isNull())
        return;
    if (AFld != u"OBJ_ID" && AFld != u"DEP_ID")
        RaiseMsgFmt(QStringLiteral("TFltrSaveList.Load: Недопустимое поле \"%s\"."), {AFld});
    TDB& d = List.db();
    QStringList sql{
        QStringLiteral("select F.FLTR_ID, F.FLTR_NAME, F.USR_ID, F.ACCF_ID, FUA.ACCF_ID as FUAACCF_ID, FGA.ACCF_ID as FGAACCF_ID"),
        QStringLiteral("from FLTR F"),
        QStringLiteral("left join FUA on FUA.FLTR_ID = F.FLTR_ID and FUA.USR_ID = :USR_ID"),
        QStringLiteral("left join USR on USR.USR_ID = :USR_ID"),
        QStringLiteral("left join FGA on FGA.FLTR_ID = F.FLTR_ID and FGA.USRGRP_ID = USR.USRGRP_ID")};
    if (AFld == u"OBJ_ID")
        sql << Format(QStringLiteral("where F.%s = :%s"), {AFld, AFld});
    else
        sql << Format(QStringLiteral("where (F.%s = :%s or (F.OBJ_ID = (select FLD.OBJ_ID from FLD join DEP on DEP.FLD_ID = FLD.FLD_ID and DEP_ID = :%s) and F.FLTR_CHDEP = 1))"),
                      {AFld, AFld, AFld});
    sql << QStringLiteral("and (F.USR_ID = :USR_ID or F.ACCF_ID in (:TEMP, :TEMPDEF, :PERM, :PERMDEF, :PERMDEFHIDE) or\n"
                          "(F.ACCF_ID = :DETAIL and (FUA.ACCF_ID in (:TEMP, :TEMPDEF, :PERM, :PERMDEF, :PERMDEFHIDE) or\n"
                          "FGA.ACCF_ID in (:TEMP, :TEMPDEF, :PERM, :PERMDEF, :PERMDEFHIDE))))")
        << QStringLiteral("order by F.FLTR_NAME");
    auto q = d.CreateIBSQLS(false);
    q->SetSQL(sql.join(u'\n'));
    q->SetParam(AFld, AFldValue);
    q->SetParam(QStringLiteral("USR_ID"), Value(static_cast<long long>(d.CurrentUserId)));
    q->SetParam(QStringLiteral("TEMP"), d.AccFToCode(afTemp));
    q->SetParam(QStringLiteral("TEMPDEF"), d.AccFToCode(afTempDef));
    q->SetParam(QStringLiteral("PERM"), d.AccFToCode(afPerm));
    q->SetParam(QStringLiteral("PERMDEF"), d.AccFToCode(afPermDef));
    q->SetParam(QStringLiteral("PERMDEFHIDE"), d.AccFToCode(afPermDefHide));
    q->SetParam(QStringLiteral("DETAIL"), d.AccFToCode(afDetail));
    for (q->ExecQuery(); !q->Eof(); q->Next()) {
        try {
            TFltrSave s;
            s.Id = q->Field(0).asInteger();
            s.Name = q->Field(1).asString();
            s.UsrId = q->Field(2);
            s.AccF = d.CodeToAccF(q->Field(3));
            if (s.AccF == afDetail) {
                s.AccF = d.CodeToAccF(q->Field(4));
                if (s.AccF == afNone)
                    s.AccF = d.CodeToAccF(q->Field(5));
            }
            push_back(s);
        } catch (const ExceptionPos&) {
            // a row that does not convert is left out
        }
    }
    q->Close();
}

}  // namespace korvanta
