#pragma once
// Filters: a tree of conditions on the fields of one object and of its
// parents (reached through paths of link fields), saved in FLTR, FLTRIT (a
// nested set) and FLTRITPT, and built in code for internal queries.

#include "catalogue/TObj.h"
#include "db/ExceptionPos.h"

#include <memory>
#include <vector>

namespace korvanta {

class TFltrIt : public TSObj {
public:
    Value Id;
    qint64 Lft() const { return lft_; }
    qint64 Rgt() const { return rgt_; }
    void SetLftRgt(qint64 l, qint64 r) { lft_ = l; rgt_ = r; }

    TFltrItType Type_ = fitNone;
    TFltrItTypeOfValue TypeOfValue = fitvNone;
    TFltrItFn Fn = fifNone;
    TFld* Fld = nullptr;
    TFld* FldValue = nullptr;
    TDep* Dep = nullptr;
    bool No = false;
    Value Value_;   // the constant, in the field's type
    QString SId;
    Value Lag;      // shift in date-group periods; Null = 0
    TFldList Path;
    bool HasPath() const { return !Path.empty(); }
    QString RefValue;

    TFltrIt* Parent = nullptr;
    std::vector<std::unique_ptr<TFltrIt>> FltrItList;
    int JoinIndex = -1;
    int ParamIndex = -1;

    // The path's field names and the field's name ("Клиент>Город>Название").
    QString PathFld() const;
    // Deep copy of everything but the children.
    void CopyNode(const TFltrIt& src);

private:
    qint64 lft_ = 0, rgt_ = 0;
};

// The error of a condition without value; carries the node.
class EFltrItException : public ExceptionPos {
public:
    EFltrItException(const QString& msg, TFltrIt* node) : ExceptionPos(msg), FltrIt(node) {}
    TFltrIt* FltrIt;
};

class TFltr : public TSObj {
public:
    // Filters built in code for internal queries need no head (the FLTR row's values).
    explicit TFltr(TObjList& list, bool withHead = true);

    Value Id() const { return V(QStringLiteral("FLTR_ID")); }
    QString Name() const { return V(QStringLiteral("FLTR_NAME")).asString(); }
    QString SId() const { return V(QStringLiteral("FLTR_SID")).asString(); }
    Value ObjId() const { return V(QStringLiteral("OBJ_ID")); }
    Value DepId() const { return V(QStringLiteral("DEP_ID")); }
    Value UsrId() const { return V(QStringLiteral("USR_ID")); }
    Value AccFId() const { return V(QStringLiteral("ACCF_ID")); }

    std::unique_ptr<TFltrIt> Root;
    bool Tmpl = false;

    void LoadById(qint64 AId);
    void LoadBySId(const QString& ASId);
    // Head and (unless HeadOnly) the tree, in one transaction.
    void Save(bool HeadOnly = false);

    TFltrIt* AddChild(TFltrIt* AParent, std::unique_ptr<TFltrIt> ANew);
    TFltrIt* AddChild(TFltrIt* AParent);
    TFltrIt* AddChildAnd(TFltrIt* AParent);
    TFltrIt* AddChildOr(TFltrIt* AParent);
    TFltrIt* AddChildEmpty(TFltrIt* AParent);
    TFltrIt* AddChild(TFltrIt* AParent, TFltrItType AFltrItType, TFltrItTypeOfValue ATypeOfValue);
    TFltrIt* AddChild(TFltrIt* AParent, int AJoinIndex, TFld* AFld, const TFldList& AFldPath, bool ANo,
                      TFltrItType AFltrItType, TFltrItTypeOfValue ATypeOfValue, const Value& AValue,
                      TFltrItFn AFn = fifNone, TFld* AFldValue = nullptr, const Value& ALag = Value());

    void Clear() { Root.reset(); }
    void Assign(const TFltr& AFltr);
    TFltrIt* GetFltrItBySId(const QString& ASId) const;
    // Every condition with a field (but an emptiness test) needs its value.
    void Check() const;

    TObjList& List;

private:
    void LoadTree();
    TDB& db() const { return List.db(); }
};

// The checking wrapper of lists and reports: the message names the filter and the field.
void CheckFltr(const TFltr& AFltr, QObject* AControl = nullptr);

class TFltrList : public std::vector<TFltr*> {
public:
    explicit TFltrList(TObjList& list) : List(list) {}
    ~TFltrList() { ClearTmpl(); }
    // A new filter per id; filters without conditions are dropped.
    void Load(const std::vector<qint64>& AFltrCheckList);
    void ClearTmpl();
    TFltr* GetBySId(const QString& ASId) const;
    TObjList& List;
};

struct TFltrSave {
    qint64 Id = 0;
    QString Name;
    Value UsrId;
    TAccF AccF = afNone;
};

// The saved filters offered on an object's list (AFld "OBJ_ID") or a link's
// detail list (AFld "DEP_ID"), for the current user.
class TFltrSaveList : public std::vector<TFltrSave> {
public:
    explicit TFltrSaveList(TObjList& list) : List(list) {}
    void Load(const QString& AFld, const Value& AFldValue);
    TObjList& List;
};

}  // namespace korvanta
