#pragma once
// The catalogue: the in-memory copy of the metadata (objects, fields, links,
// formula trees, value-template items and the current user's rights row of
// every object), read once after login and the only source from which the
// rest of the system builds its statements, cards and lists.

#include "TSObj.h"
#include "db/Enums.h"

#include <QHash>
#include <functional>
#include <memory>
#include <vector>

namespace korvanta {

class TDB;
class TObj;
class TObjList;
class TFld;
class TDep;
class TFrmlIt;

// A list of fields; also a path of link fields from an object to a parent.
class TFldList : public std::vector<TFld*> {
public:
    using std::vector<TFld*>::vector;
    TFld* GetFldById(qint64 AFldId) const;
    TFld* GetFldByField(const QString& AField) const;
    TFld* GetFldBySId(const QString& ASid) const;
    TFld* FindById(qint64 AFldId) const;
    TFld* FindByField(const QString& AField) const;
    TFld* FindBySId(const QString& ASid) const;
    void Assign(const TFldList& AFldList) { *this = AFldList; }
    bool Equal(const TFldList& APath) const { return static_cast<const std::vector<TFld*>&>(*this) == APath; }
    // The names of the fields, each followed by ">".
    QString TextPath() const;
};

class TDepList : public std::vector<TDep*> {
public:
    TDep* GetByFld(const TFld* AFld) const;
    TDep* GetByFldId(qint64 AFldId) const;
    TDep* GetById(qint64 AId) const;
    TDep* GetBySId(const QString& ASId) const;
    TDep* GetByChiObjTable(const QString& AObjTable) const;
    int RemoveById(qint64 AId);
};

// A node of a formula tree (FRMLIT); evaluation belongs to the record.
class TFrmlIt : public TSObj {
public:
    qint64 Id() const { return V(QStringLiteral("FRMLIT_ID")).asInteger(); }
    qint64 Lft() const { return IdOrZero(V(QStringLiteral("FRMLIT_LFT"))); }
    qint64 Rgt() const { return IdOrZero(V(QStringLiteral("FRMLIT_RGT"))); }
    const Value& FuncId() const { return V(QStringLiteral("FRMLFUNC_ID")); }
    const Value& FldTypeId() const { return V(QStringLiteral("FLDTYPE_ID")); }
    bool HasPath() const { return V(QStringLiteral("FRMLIT_HASPATH")).isNull() ? false : V(QStringLiteral("FRMLIT_HASPATH")).asBoolean(); }

    TFrmlFunc Func = ffNone;     // function nodes
    TFld* FldValue = nullptr;    // field nodes
    TFldType ConstType = ftNone; // constant nodes
    Value ConstValue;            // a constant node's value, converted by its type
    TFldList Path;
    TFrmlIt* Parent = nullptr;
    std::vector<std::unique_ptr<TFrmlIt>> FrmlItList;

    bool IsFunc() const { return Func != ffNone; }
    bool IsField() const { return !IsFunc() && FldValue; }
    // The configurator's text; with AFull false a function renders as its name only.
    QString Text(TDB& db, bool AFull = true) const;
    // The function's display name, or its number when the database has no row for it.
    QString FuncName(TDB& db) const;
    std::unique_ptr<TFrmlIt> Clone() const;
};

class TFrml {
public:
    std::unique_ptr<TFrmlIt> RootFrmlIt;
    bool IsEmpty() const { return !RootFrmlIt; }
    void Clear() { RootFrmlIt.reset(); }
    TFrmlIt* FindById(qint64 AId) const;
    QString Text(TDB& db) const { return RootFrmlIt ? RootFrmlIt->Text(db) : QString(); }
    // The first fault, depth first, parent before children.
    bool isValid(TDB& db, const TFrmlIt*& ErrFrmlIt, QString& ErrMsg) const;
    bool HasExtFld() const;
};

// A value-template item (OBJVALUE).
class TObjValue : public TSObj {
public:
    qint64 Id() const { return V(QStringLiteral("OBJVALUE_ID")).asInteger(); }
    qint64 ObjId() const { return V(QStringLiteral("OBJ_ID")).asInteger(); }
    qint64 FldId() const { return V(QStringLiteral("FLD_ID")).asInteger(); }
    TFld* Fld = nullptr;
    TFldList Path;
};

class TFld : public TSObj {
public:
    qint64 Id() const { return V(QStringLiteral("FLD_ID")).asInteger(); }
    qint64 ObjId() const { return V(QStringLiteral("OBJ_ID")).asInteger(); }
    QString Field() const { return V(QStringLiteral("FLD_FIELD")).asString(); }
    QString Name() const { return V(QStringLiteral("FLD_NAME")).asString(); }
    QString SId() const { return V(QStringLiteral("FLD_SID")).asString(); }
    const Value& FldTypeId() const { return V(QStringLiteral("FLDTYPE_ID")); }
    TFldType FldType() const { return fldType_; }
    qint64 Len() const { return IdOrZero(V(QStringLiteral("FLD_LEN"))); }
    bool NotNull() const { return Flag(QStringLiteral("FLD_NOTNULL")); }
    bool Virt() const { return Flag(QStringLiteral("FLD_VIRT")); }
    bool Sys() const { return Flag(QStringLiteral("FLD_SYS")); }
    bool HasFrml() const { return Flag(QStringLiteral("FLD_HASFRML")); }
    bool Def0() const { return Flag(QStringLiteral("FLD_DEF0")); }
    bool Acc() const { return Flag(QStringLiteral("FLD_ACC")); }
    bool NoTbl() const { return Flag(QStringLiteral("FLD_NOTBL")); }
    bool NoCrd() const { return Flag(QStringLiteral("FLD_NOCRD")); }
    bool Bool3() const { return Flag(QStringLiteral("FLD_BOOL3")); }
    qint64 TriDst() const { return IdOrZero(V(QStringLiteral("FLD_TRIDST"))); }
    qint64 TriSrc() const { return IdOrZero(V(QStringLiteral("FLD_TRISRC"))); }
    bool Flag(const QString& column) const;
    TFKRule FKRule() const { return fkRule_; }

    TObj* Obj = nullptr;
    TObj* FKObj = nullptr;
    TFrml Frml;

    // Called by the catalogue after a row is copied in.
    void SetTypes(TFldType type) { fldType_ = type; }
    void SetFKData(TObj* parent, TFKRule rule, const Value& parentId, const Value& ruleId);

protected:
    void AddVirtualFlds() override;

private:
    TFldType fldType_ = ftNone;
    TFKRule fkRule_ = fkNone;
};

class TDep : public TSObj {
public:
    qint64 Id() const { return V(QStringLiteral("DEP_ID")).asInteger(); }
    QString Name() const { return V(QStringLiteral("DEP_NAME")).asString(); }
    QString SId() const { return V(QStringLiteral("DEP_SID")).asString(); }
    bool Sys() const;
    bool DelTr() const;
    TFKRule FKRule() const { return fkRule_; }
    // DEP_NAME, or the list caption of the child object.
    QString ChildName2() const;

    TObj* ParentObj = nullptr;
    TFld* ChildFld = nullptr;
    void SetRule(TFKRule r) { fkRule_ = r; }

protected:
    void AddVirtualFlds() override;

private:
    TFKRule fkRule_ = fkNone;
};

// One user's rights on one object (UOA).
class TUOA : public TSObj {
public:
    explicit TUOA(TDB& db) : db_(db) {}
    Value Id() const { return V(QStringLiteral("UOA_ID")); }
    // Null, or any value that reads as none, is no access.
    TAcc Own() const;
    TAcc NoOwn() const;
    bool AddNew() const { return Flag(QStringLiteral("UOA_ADD")); }
    bool Tree() const { return Flag(QStringLiteral("UOA_TREE")); }
    bool Menu() const { return Flag(QStringLiteral("UOA_MENU")); }
    bool Import() const { return Flag(QStringLiteral("UOA_IMPORT")); }
    bool Export() const { return Flag(QStringLiteral("UOA_EXPORT")); }
    bool TmplDoc() const { return Flag(QStringLiteral("UOA_TMDC")); }
    bool Double() const { return Flag(QStringLiteral("UOA_DOUBLE")); }
    bool AdvFltrSet() const { return Flag(QStringLiteral("UOA_ADVFLTR")); }
    bool Flag(const QString& column) const;
    // Named values from the catalogue object UOA; its flags are remembered.
    void Init(const TObj& AUOAObj);
    void Reset(qint64 AUsrId, qint64 AObjId);

private:
    TAcc Level(const QString& column) const;
    TDB& db_;
    QStringList flags_;
};

class TObj : public TSObj {
public:
    explicit TObj(TObjList& list) : List(list) {}

    qint64 Id() const { return id_; }
    QString Table() const { return V(QStringLiteral("OBJ_TABLE")).asString(); }
    QString Name() const { return V(QStringLiteral("OBJ_NAME")).asString(); }
    QString Name2() const { return V(QStringLiteral("OBJ_NAME2")).asString(); }
    bool Meta() const { return Flag(QStringLiteral("OBJ_META")); }
    bool Ref() const { return Flag(QStringLiteral("OBJ_REF")); }
    bool Sys() const { return Flag(QStringLiteral("OBJ_SYS")); }
    QString Tmpl() const { return V(QStringLiteral("OBJ_TMPL")).asString(); }
    bool HasTree() const { return Flag(QStringLiteral("OBJ_HASTREE")); }
    bool Tree() const { return Flag(QStringLiteral("OBJ_TREE")); }
    bool NoMenu() const { return Flag(QStringLiteral("OBJ_NOMENU")); }
    QString CopyGrd() const { return FindFld(QStringLiteral("OBJ_COPYGRP")) ? V(QStringLiteral("OBJ_COPYGRP")).asString() : QString(); }
    bool FetchAll() const { return FindFld(QStringLiteral("OBJ_FETCHALL")) && Flag(QStringLiteral("OBJ_FETCHALL")); }
    bool Flag(const QString& column) const;

    TObjList& List;
    TFld* PKFld = nullptr;
    TFldList FldList;
    TDepList ParentList;
    std::vector<std::unique_ptr<TDep>> ChildList;  // links to the children, owned
    std::vector<std::unique_ptr<TObjValue>> TmplFldList;
    std::unique_ptr<TUOA> UOA;
    std::vector<std::unique_ptr<TFld>> OwnedFlds;

    TFld* GetFldById(qint64 AFldId) const;
    TFld* GetFldByField(const QString& AField) const;
    TFld* GetFldBySId(const QString& ASid) const;
    TDep* GetObjTreeLink() const;
    TFld* GetAccFld() const;
    qint64 GetGenId(int AInc);
    void SetGenId(qint64 AValue);
    void ReadAcc();
    bool CanAcc(const Value& AOwn, const Value& AGrp, const Value& AUsr, TAcc AAcc) const;
    void CheckAdd() const;
    void SetFldFKData();
    // Links to the children, as a list.
    TDepList ChildDeps() const;

    void CacheId() { id_ = V(QStringLiteral("OBJ_ID")).asInteger(); }

private:
    qint64 id_ = 0;
};

class TObjList {
public:
    explicit TObjList(TDB& db) : db_(db) {}
    TDB& db() const { return db_; }

    // Progress of Load: (minimum, maximum, position); may be empty.
    std::function<void(int, int, int)> NotifyPosition;

    void Load();
    void Clear();
    bool Loaded() const { return !objs_.empty(); }
    const std::vector<std::unique_ptr<TObj>>& Objs() const { return objs_; }

    TObj* GetObjById(qint64 AObjId) const;
    TObj* GetObjByTable(const QString& AObjTable) const;
    TObj* FindObjByTable(const QString& AObjTable) const;
    TFld* GetFldById(qint64 AFldId) const;
    TDep* GetDepById(qint64 ADepId) const;
    TFrmlIt* GetFrmlItById(qint64 AFrmlItId) const;
    TObjValue* GetObjValueById(qint64 AId) const;

    // Loads one kind of row for all objects (AObj null) or for one object.
    void LoadFields(TObj* AObj = nullptr);
    void LoadDep(TObj* AObj = nullptr);
    void LoadObjVals(TObj* AObj = nullptr);
    // Rights rows of one user: for all objects (AObjId null) or one object.
    void LoadUOA(qint64 AUsrId, const Value& AObjId, TUOA* AUOA = nullptr);

private:
    void Notify(int pos);
    void LoadFrml();
    void LoadFrmlPaths();
    void LoadObjValPaths();
    void Reindex();

    TDB& db_;
    std::vector<std::unique_ptr<TObj>> objs_;
    QHash<qint64, TObj*> byId_;
    QHash<qint64, TFld*> fldById_;
};

}  // namespace korvanta
