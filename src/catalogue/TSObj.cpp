#include "TSObj.h"

#include "TObj.h"
#include "db/ExceptionPos.h"

namespace korvanta {

void TSObj::CheckEmpty() const
{
    if (!flds_.empty())
        RaiseMsg(QStringLiteral("TSObj.AddAllFld: Ошибка программиста - в объекте не должно быть полей."));
}

void TSObj::AddAllFld(const FbStatement& AIBSQL)
{
    CheckEmpty();
    const QStringList& names = AIBSQL.FieldNames();
    flds_.reserve(names.size() + 4);
    for (const QString& name : names)
        flds_.push_back({name, Value()});
    layout_ = names.constData();
    AddVirtualFlds();
}

void TSObj::LoadRow(const FbStatement& AIBSQL)
{
    CheckEmpty();
    const QStringList& names = AIBSQL.FieldNames();
    flds_.reserve(names.size() + 4);
    for (int i = 0; i < names.size(); ++i)
        flds_.push_back({names[i], AIBSQL.Field(i)});
    layout_ = names.constData();
    AddVirtualFlds();
}

void TSObj::AddAllFld(const TObj& AObj)
{
    CheckEmpty();
    flds_.reserve(AObj.FldList.size() + 4);
    for (const TFld* f : AObj.FldList)
        flds_.push_back({f->Field(), f->FldType() == ftBool ? Value(false) : Value()});
    AddVirtualFlds();
}

TObjFld* TSObj::FindFld(const QString& AField)
{
    for (TObjFld& f : flds_)
        if (f.Field == AField)
            return &f;
    return nullptr;
}

const TObjFld* TSObj::FindFld(const QString& AField) const
{
    for (const TObjFld& f : flds_)
        if (f.Field == AField)
            return &f;
    return nullptr;
}

TObjFld& TSObj::FldByField(const QString& AField)
{
    if (TObjFld* f = FindFld(AField))
        return *f;
    RaiseMsgFmt(QStringLiteral("TSObj.FldByField: Поле \"%s\" у объекта не найдено."), {AField});
}

const TObjFld& TSObj::FldByField(const QString& AField) const
{
    if (const TObjFld* f = FindFld(AField))
        return *f;
    RaiseMsgFmt(QStringLiteral("TSObj.FldByField: Поле \"%s\" у объекта не найдено."), {AField});
}

void TSObj::CopyDataFrom(const FbStatement& AIBSQL)
{
    const int n = AIBSQL.FieldCount();
    const QStringList& names = AIBSQL.FieldNames();
    if (layout_ && layout_ == names.constData() && n > 0 && flds_.size() >= static_cast<size_t>(n) &&
        flds_[0].Field == names[0] && flds_[static_cast<size_t>(n) - 1].Field == names[n - 1]) {
        for (int i = 0; i < n; ++i)
            flds_[static_cast<size_t>(i)].value = AIBSQL.Field(i);
        return;
    }
    for (int i = 0; i < n; ++i) {
        const QString name = AIBSQL.FieldName(i);
        // Rows made from the same query have the columns in the same places.
        TObjFld& f = static_cast<size_t>(i) < flds_.size() && flds_[i].Field == name ? flds_[i] : FldByField(name);
        f.value = AIBSQL.Field(i);
    }
}

void TSObj::CopyDataFrom(const FbStatement& AIBSQL, const QString& AAlias)
{
    for (TObjFld& f : flds_) {
        const int i = AIBSQL.FieldIndex(AAlias + f.Field);
        if (i >= 0)
            f.value = AIBSQL.Field(i);
    }
}

void TSObj::Assign(const TSObj& ASObj)
{
    for (const TObjFld& f : ASObj.flds_)
        FldByField(f.Field).value = f.value;
}

}  // namespace korvanta
