#pragma once
// A metadata row in memory: an owning list of named values (column name and
// Value). Its set of names comes from a query's columns or from the
// catalogue entry of its own system table; typed properties of the
// subclasses read and write these values by column name.

#include "db/FbClient.h"
#include "db/Value.h"

#include <QString>
#include <vector>

namespace korvanta {

class TObj;

struct TObjFld {
    QString Field;
    Value value;
    QString AsString() const { return value.asString(); }
    qint64 AsInteger() const { return value.asInteger(); }
    bool AsBoolean() const { return value.asBoolean(); }
};

class TSObj {
public:
    virtual ~TSObj() = default;

    // One named value per result column (then the subclass's virtual values).
    void AddAllFld(const FbStatement& AIBSQL);
    // AddAllFld and CopyDataFrom of the current row in one pass.
    void LoadRow(const FbStatement& AIBSQL);
    // One named value per field of the catalogue object: flags start False,
    // everything else Null.
    void AddAllFld(const TObj& AObj);

    TObjFld& FldByField(const QString& AField);
    const TObjFld& FldByField(const QString& AField) const;
    TObjFld* FindFld(const QString& AField);
    const TObjFld* FindFld(const QString& AField) const;
    const Value& V(const QString& AField) const { return FldByField(AField).value; }
    void Set(const QString& AField, const Value& AValue) { FldByField(AField).value = AValue; }

    // Every column of the current row into the value of that name.
    void CopyDataFrom(const FbStatement& AIBSQL);
    // Every own value from the column AAlias + its name.
    void CopyDataFrom(const FbStatement& AIBSQL, const QString& AAlias);
    void Assign(const TSObj& ASObj);

    const std::vector<TObjFld>& Flds() const { return flds_; }

    void AddFld(const QString& AField, const Value& AValue = Value()) { flds_.push_back({AField, AValue}); }

protected:
    // Named values beyond the columns (kept after them, in this order).
    virtual void AddVirtualFlds() {}

private:
    void CheckEmpty() const;
    std::vector<TObjFld> flds_;
    // The column list the values were made from: rows of the same query copy by position.
    const void* layout_ = nullptr;
};

// Integer of a named value that may be Null (0 then).
inline qint64 IdOrZero(const Value& v)
{
    return v.isNull() ? 0 : v.asInteger();
}

}  // namespace korvanta
