#pragma once
// Value templates: a record shown as a short text, the object's OBJ_TMPL
// with one "%s" per template field (fields of parent objects through paths).

#include "TSQL.h"

#include <memory>
#include <utility>
#include <vector>

namespace korvanta {

enum TFldTmplType { fttValue, fttCombo };

class TFldTmpl {
public:
    TFldTmpl(TObjList& list, TObj* AObj);
    // With fttValue the record AId (without rights); with fttCombo every
    // record the user may see. fttCombo answers false where fttValue fails.
    bool CreateSQL(TFldTmplType AType, const Value& AId = Value());
    // The template text of the one record (empty slots when there is none).
    QString GetValue();
    // An empty entry, then (text, key) of every record, sorted by the first field.
    std::vector<std::pair<QString, Value>> FillCombo();

    TObj* Obj;
    std::vector<int> ValPosList;

private:
    QString Fill(const FbStatement& q) const;
    TObjList& list_;
    TSQL sql_;
    TFltr pk_;
    int keyPos_ = -1;
};

// The template text of record AId of the object (TObj.GetValueById).
QString GetValueById(TObjList& list, TObj* AObj, const Value& AId);

}  // namespace korvanta
