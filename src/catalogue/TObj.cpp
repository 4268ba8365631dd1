#include "TObj.h"

#include "NestedSet.h"
#include "db/ExceptionPos.h"
#include "db/TDB.h"

namespace korvanta {

namespace {
bool FlagOf(const TSObj& row, const QString& column)
{
    const TObjFld* f = row.FindFld(column);
    return f && !f->value.isNull() && f->value.asBoolean();
}
}  // namespace

// ----------------------------------------------------------------- lists

TFld* TFldList::FindById(qint64 AFldId) const
{
    for (TFld* f : *this)
        if (f->Id() == AFldId)
            return f;
    return nullptr;
}

TFld* TFldList::FindByField(const QString& AField) const
{
    for (TFld* f : *this)
        if (f->Field() == AField)
            return f;
    return nullptr;
}

TFld* TFldList::FindBySId(const QString& ASid) const
{
    for (TFld* f : *this)
        if (f->SId() == ASid)
            return f;
    return nullptr;
}

TFld* TFldList::GetFldById(qint64 AFldId) const
{
    if (TFld* f = FindById(AFldId))
        return f;
    RaiseMsgFmt(QStringLiteral("TFldList.GetFldById: В списке полей поле с кодом \"%d\" не найдено."),
                {static_cast<long long>(AFldId)});
}

TFld* TFldList::GetFldByField(const QString& AField) const
{
    if (TFld* f = FindByField(AField))
        return f;
    RaiseMsgFmt(QStringLiteral("TFldList.GetFldByField: В списке полей поле с именем \"%s\" не найдено."), {AField});
}

TFld* TFldList::GetFldBySId(const QString& ASid) const
{
    if (TFld* f = FindBySId(ASid))
        return f;
    RaiseMsgFmt(QStringLiteral("TFldList.GetFldBySId: В списке полей поле с идентификатором \"%s\" не найдено."),
                {ASid});
}

QString TFldList::TextPath() const
{
    QString out;
    for (const TFld* f : *this)
        out += f->Name() + u'>';
    return out;
}

TDep* TDepList::GetByFld(const TFld* AFld) const
{
    for (TDep* d : *this)
        if (d->ChildFld == AFld)
            return d;
    return nullptr;
}

TDep* TDepList::GetByFldId(qint64 AFldId) const
{
    for (TDep* d : *this)
        if (d->ChildFld && d->ChildFld->Id() == AFldId)
            return d;
    return nullptr;
}

TDep* TDepList::GetById(qint64 AId) const
{
    for (TDep* d : *this)
        if (d->Id() == AId)
            return d;
    return nullptr;
}

TDep* TDepList::GetBySId(const QString& ASId) const
{
    for (TDep* d : *this)
        if (d->SId() == ASId)
            return d;
    return nullptr;
}

TDep* TDepList::GetByChiObjTable(const QString& AObjTable) const
{
    for (TDep* d : *this)
        if (d->ChildFld && d->ChildFld->Obj->Table() == AObjTable)
            return d;
    return nullptr;
}

int TDepList::RemoveById(qint64 AId)
{
    for (size_t i = 0; i < size(); ++i)
        if ((*this)[i]->Id() == AId) {
            erase(begin() + static_cast<std::ptrdiff_t>(i));
            return static_cast<int>(i);
        }
    return -1;
}

TFrmlIt* TFrml::FindById(qint64 AId) const
{
    std::vector<TFrmlIt*> stack;
    if (RootFrmlIt)
        stack.push_back(RootFrmlIt.get());
    while (!stack.empty()) {
        TFrmlIt* n = stack.back();
        stack.pop_back();
        if (n->Id() == AId)
            return n;
        for (auto& c : n->FrmlItList)
            stack.push_back(c.get());
    }
    return nullptr;
}

// ------------------------------------------------------------ rows

bool TFld::Flag(const QString& column) const
{
    return FlagOf(*this, column);
}

void TFld::AddVirtualFlds()
{
    AddFld(QStringLiteral("FKRULE_ID_V"));
    AddFld(QStringLiteral("OBJ_ID_V"));
    AddFld(QStringLiteral("FLD_FRML_V"));
}

void TFld::SetFKData(TObj* parent, TFKRule rule, const Value& parentId, const Value& ruleId)
{
    FKObj = parent;
    fkRule_ = rule;
    Set(QStringLiteral("OBJ_ID_V"), parentId);
    Set(QStringLiteral("FKRULE_ID_V"), ruleId);
}

void TDep::AddVirtualFlds()
{
    AddFld(QStringLiteral("OBJ_ID_V"));
    AddFld(QStringLiteral("FLD_FIELD_V"));
    AddFld(QStringLiteral("FLD_NAME_V"));
    AddFld(QStringLiteral("FLD_NOTNULL_V"));
}

bool TDep::Sys() const
{
    return FlagOf(*this, QStringLiteral("DEP_SYS"));
}

bool TDep::DelTr() const
{
    return FlagOf(*this, QStringLiteral("DEP_DELTR"));
}

QString TDep::ChildName2() const
{
    const QString name = Name();
    if (!name.isEmpty() || !ChildFld)
        return name;
    return ChildFld->Obj->Name2();
}

bool TUOA::Flag(const QString& column) const
{
    return FlagOf(*this, column);
}

TAcc TUOA::Level(const QString& column) const
{
    const TObjFld* f = FindFld(column);
    const TAcc a = f ? db_.CodeToAcc(f->value) : aNone;
    return a == aNone ? aNoAcc : a;
}

TAcc TUOA::Own() const
{
    return Level(QStringLiteral("OWNACC_ID"));
}

TAcc TUOA::NoOwn() const
{
    return Level(QStringLiteral("NOOWNACC_ID"));
}

void TUOA::Init(const TObj& AUOAObj)
{
    AddAllFld(AUOAObj);
    for (const TFld* f : AUOAObj.FldList)
        if (f->FldType() == ftBool)
            flags_ << f->Field();
}

void TUOA::Reset(qint64 AUsrId, qint64 AObjId)
{
    for (const TObjFld& f : Flds())
        FldByField(f.Field).value = flags_.contains(f.Field) ? Value(false) : Value();
    if (FindFld(QStringLiteral("USR_ID")))
        Set(QStringLiteral("USR_ID"), Value(static_cast<long long>(AUsrId)));
    if (FindFld(QStringLiteral("OBJ_ID")))
        Set(QStringLiteral("OBJ_ID"), Value(static_cast<long long>(AObjId)));
}

// ------------------------------------------------------------- objects

bool TObj::Flag(const QString& column) const
{
    return FlagOf(*this, column);
}

TFld* TObj::GetFldById(qint64 AFldId) const
{
    if (TFld* f = FldList.FindById(AFldId))
        return f;
    RaiseMsgFmt(QStringLiteral("TObj.GetFldById: В объекте \"%s\" поле с кодом \"%d\" не найдено."),
                {Name(), static_cast<long long>(AFldId)});
}

TFld* TObj::GetFldByField(const QString& AField) const
{
    if (TFld* f = FldList.FindByField(AField))
        return f;
    RaiseMsgFmt(QStringLiteral("TObj.GetFldByField: В объекте \"%s\" поле с именем \"%s\" не найдено."),
                {Name(), AField});
}

TFld* TObj::GetFldBySId(const QString& ASid) const
{
    if (TFld* f = FldList.FindBySId(ASid))
        return f;
    RaiseMsgFmt(QStringLiteral("TObj.GetFldBySId: В объекте \"%s\" поле с идентификатором \"%s\" не найдено."),
                {Name(), ASid});
}

TDep* TObj::GetObjTreeLink() const
{
    for (TDep* d : ParentList)
        if (d->ParentObj && d->ParentObj->Tree())
            return d;
    RaiseMsgFmt(QStringLiteral("TObj.GetObjTreeLink: У объекта \"%s\" связь с иерархией не найдена."), {Name()});
}

TFld* TObj::GetAccFld() const
{
    for (TFld* f : FldList)
        if (f->Acc())
            return f;
    return nullptr;
}

qint64 TObj::GetGenId(int AInc)
{
    if (!PKFld)
        RaiseMsgFmt(QStringLiteral("У объекта \"%s\" нет ключевого поля."), {Name()});
    return List.db().GetGenId(PKFld->Field(), AInc);
}

void TObj::SetGenId(qint64 AValue)
{
    if (!PKFld)
        RaiseMsgFmt(QStringLiteral("У объекта \"%s\" нет ключевого поля."), {Name()});
    List.db().SetGenId(PKFld->Field(), AValue);
}

void TObj::ReadAcc()
{
    List.LoadUOA(List.db().CurrentUserId, Value(static_cast<long long>(Id())), nullptr);
}

bool TObj::CanAcc(const Value& AOwn, const Value& AGrp, const Value& AUsr, TAcc AAcc) const
{
    if (GetAccFld() && !AOwn.isNull()) {
        if (UOA->Own() != aDetail)
            return UOA->Own() >= AAcc;
        TDB& db = List.db();
        const TAcc level = !AUsr.isNull() ? db.CodeToAcc(AUsr) : db.CodeToAcc(AGrp);
        return level >= AAcc;
    }
    return UOA->NoOwn() >= AAcc;
}

void TObj::CheckAdd() const
{
    if (Meta() || UOA->AddNew())
        return;
    RaiseMsgFmt(QStringLiteral("У вас нет доступа добавлять записи в объект \"%s\"."), {Name()});
}

void TObj::SetFldFKData()
{
    for (TFld* f : FldList) {
        if (f->FldType() != ftFK || f->Virt())
            continue;
        // A link field without its link row leaves FKObj empty; the builder refuses to join it.
        if (TDep* d = ParentList.GetByFld(f))
            f->SetFKData(d->ParentObj, d->FKRule(), Value(static_cast<long long>(d->ParentObj->Id())),
                         d->V(QStringLiteral("FKRULE_ID")));
    }
}

TDepList TObj::ChildDeps() const
{
    TDepList out;
    for (const auto& d : ChildList)
        out.push_back(d.get());
    return out;
}

// ------------------------------------------------------------- catalogue

void TObjList::Notify(int pos)
{
    if (NotifyPosition)
        NotifyPosition(0, 7, pos);
}

void TObjList::Clear()
{
    objs_.clear();
    byId_.clear();
    fldById_.clear();
}

void TObjList::Reindex()
{
    byId_.clear();
    for (const auto& o : objs_)
        if (!byId_.contains(o->Id()))
            byId_.insert(o->Id(), o.get());
}

void TObjList::Load()
{
    Clear();
    auto q = db_.CreateIBSQLS(false);
    q->SetSQL(QStringLiteral("select * from OBJ order by OBJ_NAME"));
    for (q->ExecQuery(); !q->Eof(); q->Next()) {
        auto obj = std::make_unique<TObj>(*this);
        obj->LoadRow(*q);
        obj->CacheId();
        objs_.push_back(std::move(obj));
    }
    q->Close();
    Reindex();
    Notify(1);
    LoadFields();
    Notify(2);
    LoadDep();
    Notify(3);
    const TObj* uoaObj = FindObjByTable(QStringLiteral("UOA"));
    for (const auto& o : objs_) {
        o->UOA = std::make_unique<TUOA>(db_);
        if (uoaObj)
            o->UOA->Init(*uoaObj);
    }
    for (const auto& o : objs_)
        o->SetFldFKData();
    LoadFrml();
    Notify(4);
    LoadFrmlPaths();
    Notify(5);
    LoadObjVals();
    Notify(6);
    LoadObjValPaths();
    Notify(7);
}

void TObjList::LoadFields(TObj* AObj)
{
    auto q = db_.CreateIBSQLS(false);
    QStringList sql{QStringLiteral("select * from FLD")};
    if (AObj)
        sql << QStringLiteral("where OBJ_ID = %1").arg(AObj->Id());
    sql << QStringLiteral("order by FLD_ID");
    q->SetSQL(sql.join(u'\n'));
    const QString objCol = QStringLiteral("OBJ_ID");
    const QString typeCol = QStringLiteral("FLDTYPE_ID");
    for (q->ExecQuery(); !q->Eof(); q->Next()) {
        auto fld = std::make_unique<TFld>();
        fld->LoadRow(*q);
        TObj* obj = AObj ? AObj : GetObjById(fld->V(objCol).asInteger());
        fld->Obj = obj;
        fld->SetTypes(db_.CodeToFldType(fld->V(typeCol)));
        if (fld->FldType() == ftPK)
            obj->PKFld = fld.get();
        if (!fldById_.contains(fld->Id()))
            fldById_.insert(fld->Id(), fld.get());
        obj->FldList.push_back(fld.get());
        obj->OwnedFlds.push_back(std::move(fld));
    }
    q->Close();
}

void TObjList::LoadDep(TObj* AObj)
{
    auto q = db_.CreateIBSQLS(false);
    QStringList sql{QStringLiteral("select D.*"), QStringLiteral("from DEP D")};
    if (AObj)
        sql << QStringLiteral("where D.OBJ_ID = %1").arg(AObj->Id());
    sql << QStringLiteral("order by D.DEP_ID");
    q->SetSQL(sql.join(u'\n'));
    for (q->ExecQuery(); !q->Eof(); q->Next()) {
        auto dep = std::make_unique<TDep>();
        dep->LoadRow(*q);
        dep->ParentObj = AObj ? AObj : GetObjById(dep->V(QStringLiteral("OBJ_ID")).asInteger());
        dep->ChildFld = GetFldById(dep->V(QStringLiteral("FLD_ID")).asInteger());
        dep->SetRule(db_.CodeToFKRule(dep->V(QStringLiteral("FKRULE_ID"))));
        dep->ChildFld->Obj->ParentList.push_back(dep.get());
        dep->ParentObj->ChildList.push_back(std::move(dep));
    }
    q->Close();
}

void TObjList::LoadFrml()
{
    auto q = db_.CreateIBSQLS(false);
    q->SetSQL(QStringLiteral("select * from FRMLIT order by FLD_ID, FRMLIT_LFT"));
    TFld* current = nullptr;
    auto kids = [](TFrmlIt& n) -> std::vector<std::unique_ptr<TFrmlIt>>& { return n.FrmlItList; };
    for (q->ExecQuery(); !q->Eof(); q->Next()) {
        auto node = std::make_unique<TFrmlIt>();
        node->LoadRow(*q);
        const Value fv = node->V(QStringLiteral("FLD_ID_VALUE"));
        node->Func = db_.CodeToFrmlFunc(node->FuncId());
        if (!fv.isNull()) {
            node->FldValue = GetFldById(fv.asInteger());
        } else if (!node->FldTypeId().isNull()) {
            node->ConstType = db_.CodeToFldType(node->FldTypeId());
            node->ConstValue = db_.DBStrToVarByFldType(node->V(QStringLiteral("FRMLIT_VALUE")), node->ConstType);
        }
        TFld* owner = GetFldById(node->V(QStringLiteral("FLD_ID")).asInteger());
        if (owner != current) {
            current = owner;
            owner->Frml.RootFrmlIt = std::move(node);
            continue;
        }
        if (!owner->Frml.RootFrmlIt || !PlaceInNestedSet(*owner->Frml.RootFrmlIt, node, kids))
            RaiseMsgFmt(QStringLiteral("TObjList.LoadFrml: Нарушение структуры иерархии формулы для поля \"%s\"."),
                        {owner->Name()});
    }
    q->Close();
}

void TObjList::LoadFrmlPaths()
{
    auto q = db_.CreateIBSQLS(false);
    q->SetSQL(QStringLiteral("select FRMLIT_ID, FLD_ID from FRMLITPT order by FRMLIT_ID, FRMLITPT_ID"));
    for (q->ExecQuery(); !q->Eof(); q->Next())
        GetFrmlItById(q->Field(0).asInteger())->Path.push_back(GetFldById(q->Field(1).asInteger()));
    q->Close();
}

void TObjList::LoadObjVals(TObj* AObj)
{
    auto q = db_.CreateIBSQLS(false);
    QStringList sql{QStringLiteral("select * from OBJVALUE")};
    if (AObj)
        sql << QStringLiteral("where OBJ_ID = %1").arg(AObj->Id());
    sql << QStringLiteral("order by OBJ_ID, OBJVALUE_ID");
    q->SetSQL(sql.join(u'\n'));
    for (q->ExecQuery(); !q->Eof(); q->Next()) {
        auto item = std::make_unique<TObjValue>();
        item->LoadRow(*q);
        item->Fld = GetFldById(item->FldId());
        TObj* obj = AObj ? AObj : GetObjById(item->ObjId());
        obj->TmplFldList.push_back(std::move(item));
    }
    q->Close();
}

void TObjList::LoadObjValPaths()
{
    auto q = db_.CreateIBSQLS(false);
    q->SetSQL(QStringLiteral("select * from OBJVALPT order by OBJVALUE_ID, OBJVALPT_ID"));
    for (q->ExecQuery(); !q->Eof(); q->Next())
        GetObjValueById(q->FieldByName(QStringLiteral("OBJVALUE_ID")).asInteger())
            ->Path.push_back(GetFldById(q->FieldByName(QStringLiteral("FLD_ID")).asInteger()));
    q->Close();
}

void TObjList::LoadUOA(qint64 AUsrId, const Value& AObjId, TUOA* AUOA)
{
    QStringList sql{QStringLiteral("select * from UOA where USR_ID = %1").arg(AUsrId)};
    if (!AObjId.isNull()) {
        sql << QStringLiteral("and OBJ_ID = %1").arg(AObjId.asInteger());
        TUOA* target = AUOA ? AUOA : GetObjById(AObjId.asInteger())->UOA.get();
        target->Reset(AUsrId, AObjId.asInteger());
    } else {
        for (const auto& o : objs_)
            o->UOA->Reset(AUsrId, o->Id());
    }
    auto q = db_.CreateIBSQLS(false);
    q->SetSQL(sql.join(u'\n'));
    for (q->ExecQuery(); !q->Eof(); q->Next()) {
        TUOA* target = AUOA ? AUOA : GetObjById(q->FieldByName(QStringLiteral("OBJ_ID")).asInteger())->UOA.get();
        target->CopyDataFrom(*q);
    }
    q->Close();
}

TObj* TObjList::GetObjById(qint64 AObjId) const
{
    if (TObj* o = byId_.value(AObjId))
        return o;
    RaiseMsgFmt(QStringLiteral("Объект с кодом \"%d\" не найден."), {static_cast<long long>(AObjId)});
}

TObj* TObjList::FindObjByTable(const QString& AObjTable) const
{
    for (const auto& o : objs_)
        if (o->Table() == AObjTable)
            return o.get();
    return nullptr;
}

TObj* TObjList::GetObjByTable(const QString& AObjTable) const
{
    if (TObj* o = FindObjByTable(AObjTable))
        return o;
    RaiseMsgFmt(QStringLiteral("Объект с таблицей \"%s\" не найден."), {AObjTable});
}

TFld* TObjList::GetFldById(qint64 AFldId) const
{
    if (TFld* f = fldById_.value(AFldId))
        return f;
    RaiseMsgFmt(QStringLiteral("Поле с кодом \"%d\" среди объектов не найдено."), {static_cast<long long>(AFldId)});
}

TDep* TObjList::GetDepById(qint64 ADepId) const
{
    for (const auto& o : objs_)
        for (const auto& d : o->ChildList)
            if (d->Id() == ADepId)
                return d.get();
    RaiseMsgFmt(QStringLiteral("Связь с кодом %d среди объектов не найдена."), {static_cast<long long>(ADepId)});
}

TFrmlIt* TObjList::GetFrmlItById(qint64 AFrmlItId) const
{
    for (const auto& o : objs_)
        for (const TFld* f : o->FldList)
            if (TFrmlIt* n = f->Frml.FindById(AFrmlItId))
                return n;
    RaiseMsgFmt(QStringLiteral("Элемент формулы с кодом \"%d\" среди полей объектов не найден."),
                {static_cast<long long>(AFrmlItId)});
}

TObjValue* TObjList::GetObjValueById(qint64 AId) const
{
    for (const auto& o : objs_)
        for (const auto& v : o->TmplFldList)
            if (v->Id() == AId)
                return v.get();
    RaiseMsg(QStringLiteral("TObjList.GetObjValueById: Не найдено поле шаблона значения с кодом ") + QString::number(AId));
}

}  // namespace korvanta
