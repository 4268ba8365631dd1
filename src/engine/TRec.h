#pragma once
// One record of one object in memory while it is shown, created, duplicated,
// edited or written by code: an item per field with its current and initial
// value, loading under the user's rights, defaults, formulas recomputed as
// values change, mandatory and rights checks, and the generated insert and
// update statements with readable messages for key violations.

#include "TSQL.h"

#include <QHash>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace korvanta {

class TRec;

enum TCalcState { csNorm, csNeed, csCalc };

// A parent value fetched through a link item for the formulas that read it.
struct TFldValue {
    TFld* Fld = nullptr;
    TJoin* Join = nullptr;
    int Column = -1;
    Value value;
    std::vector<const TFrmlIt*> FrmlItList;
};

class TRecItem {
public:
    TRecItem(TRec& rec, TFld* fld);
    virtual ~TRecItem();

    TRec& Rec;
    TFld* Fld;
    const Value& value() const { return value_; }
    Value OldValue;
    bool Modified = false;
    bool ForInsert = false;
    bool ForCrd = false;
    bool ForFrml = false;
    bool RefreshValuesInChangeTR = false;
    bool WinCtrlChanging = false;
    TCalcState CalcState = csNorm;
    // The item's own copy of the field's formula (replaced or dropped for ParId).
    std::unique_ptr<TFrmlIt> Frml;
    std::vector<TRecItem*> FrmlRecItemList;  // items whose formulas read this one
    std::vector<TFldValue> FldValueList;
    std::function<void(TRecItem&)> OnChangeForWinCtrl;

    void SetValue(const Value& AValue);
    void InitValue(const Value& AValue, bool AForInsert);
    bool ForSelect() const { return (ForCrd || ForFrml) && !Fld->Virt(); }
    bool ForUpdate() const { return Modified && !Fld->Virt(); }
    void CheckEmpty() const;
    QString AsString() const { return value_.asString(); }
    qint64 AsInteger() const { return value_.asInteger(); }
    bool AsBoolean() const { return value_.asBoolean(); }

    void AddFrmlIt(const TFrmlIt* AFrmlIt);
    Value GetFldValue(const TFrmlIt* AFrmlIt) const;
    void RefreshFldValues();

private:
    Value Convert(const Value& AValue) const;
    Value value_;
    bool init_ = false;
    std::unique_ptr<TSQL> sql_;
    std::unique_ptr<TFltr> pkFltr_;
};

// The mandatory-field error, carrying the item.
class ERecItemException : public ExceptionPos {
public:
    ERecItemException(const QString& msg, TRecItem* item) : ExceptionPos(msg), RecItem(item) {}
    TRecItem* RecItem;
};

// Currency rates on dates, cached for one record.
class TCurrRateTable {
public:
    explicit TCurrRateTable(TDB& db) : db_(db) {}
    Value GetRate(const Value& ACurr, const Value& ADate);
    int Queries = 0;  // statements run, for tests of the cache

private:
    TDB& db_;
    Value base_;
    bool baseRead_ = false;
    std::map<std::pair<qint64, qint64>, Value> cache_;
};

class TRec {
public:
    TRec(TObjList& list, TObj* AObj, bool ASelectInChangeTrans = false);
    virtual ~TRec();

    TObjList& List;
    TObj* Obj() const { return obj_; }
    Value RecId;
    bool New = false;
    bool Calcing = false;
    bool NoSelect = false;
    bool NoAcc = false;
    bool InclHideFltrs = false;
    bool CopyChilds = false;
    bool UpdForChange = false;
    std::vector<std::pair<TFld*, Value>> DefaultValues;
    // The system beep of a formula cycle (the program sounds it; tests count it).
    std::function<void()> Beep;

    const std::vector<std::unique_ptr<TRecItem>>& Items() const { return items_; }
    TRecItem* RecItemByFld(const TFld* AFld) const;
    TRecItem& RecItemByField(const QString& AField) const;
    void AddToSelect(const QStringList& AFields);
    void AddAllToSelect();

    virtual void SetRecId(const Value& AValue);
    virtual void SetDefaultValues(TDep* ADep = nullptr, const Value& AParentId = Value());
    // Writes in the caller's change transaction.
    virtual void Post();
    virtual void Delete();
    virtual void AssignNewId();
    virtual void RecItemChanged(TRecItem& ARecItem);
    virtual void CheckMandForInsert();
    virtual void CheckMandForUpdate();
    virtual void SetParamValue(FbStatement& AIBSQL, const TRecItem& ARecItem);

    void CopyDataFrom(const TSObj& ASObj);
    void CopyDataTo(TSObj& ASObj, bool AllFields) const;
    void SetModifiedFalse();
    void SetAllForInsert();
    void CalcRecItems(bool AUpdFrmlDblOnly);
    // Recomputes, for showing, every formula that hands out no counter value.
    void CalcForDisplay();
    bool CanAcc(TAcc AAcc) const;
    void CheckAcc(TAcc AAcc, QObject* AWinControl = nullptr) const;

    // Evaluates a formula tree in this record (the item it belongs to may be none).
    Value CalcFrml(const TFrmlIt& ARoot);
    TCurrRateTable CurrRateTable;
    TDB& db() const { return List.db(); }
    FbTransaction& SelectTransaction() const;

private:
    friend class TRecItem;
    void PrepareFrmls(TDep* ADep);
    void CalcItem(TRecItem& item);
    void CalcNeeded();
    void MarkDependents(TRecItem& item);
    Value CalcNode(const TFrmlIt& n);
    Value Counter(const TFrmlIt& field);
    void Execute(FbStatement& stmt);
    void MapViolation(const FbError& e) const;
    void CopyChildRecords();

    TObj* obj_;
    bool selectInChange_;
    std::unique_ptr<FbStatement> stmtC_;  // insert/update, prepared once per text
    std::vector<TFld*> insertCols_;       // the columns of the last insert text
    QString insertSQL_;
    std::vector<std::unique_ptr<TRecItem>> items_;
    QHash<const TFld*, TRecItem*> byFld_;
    std::unique_ptr<TFltr> pkFltr_;
    Value own_, grp_, usr_;  // access columns of the last loaded row
};

}  // namespace korvanta
