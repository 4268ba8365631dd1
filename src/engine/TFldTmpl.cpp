#include "TFldTmpl.h"

#include "db/TDB.h"

namespace korvanta {

TFldTmpl::TFldTmpl(TObjList& list, TObj* AObj) : Obj(AObj), list_(list), sql_(list), pk_(list, false) {}

bool TFldTmpl::CreateSQL(TFldTmplType AType, const Value& AId)
{
    auto refuse = [&](const QString& fmt) {
        if (AType == fttValue)
            RaiseMsgFmt(fmt, {Obj->Name()});
        return false;
    };
    if (Obj->TmplFldList.empty())
        return refuse(QStringLiteral("У объекта \"%s\" не указаны поля для шаблона значения."));
    const QString tmpl = Obj->Tmpl();
    if (tmpl.isEmpty())
        return refuse(QStringLiteral("У объекта \"%s\" не указан шаблон значения."));
    if (tmpl.count(QStringLiteral("%s")) != static_cast<qsizetype>(Obj->TmplFldList.size()))
        return refuse(QStringLiteral("У объекта \"%s\" количество значений \"%%s\" в шаблоне не соответствует количеству полей шаблона."));
    sql_.NoAcc = AType == fttValue;
    sql_.SetObj(Obj);
    keyPos_ = AType == fttCombo ? sql_.AddFld(Obj->PKFld) : -1;
    ValPosList.clear();
    for (size_t i = 0; i < Obj->TmplFldList.size(); ++i) {
        const TObjValue& item = *Obj->TmplFldList[i];
        TJoin* join = sql_.AddJoin(item.Fld, item.Path, 0);
        ValPosList.push_back(sql_.AddSelFld(item.Fld, join));
        if (i == 0) {
            sql_.SortSQLFld = {item.Fld, join};
            sql_.SortDesc = false;
        }
    }
    if (AType == fttValue) {
        pk_.Clear();
        pk_.AddChild(nullptr, -1, Obj->PKFld, {}, false, fitEqual, fitvConst, AId);
        sql_.AddFltr(&pk_);
    } else {
        sql_.AddHideFltrs();
    }
    return true;
}

QString TFldTmpl::Fill(const FbStatement& q) const
{
    TDB& db = list_.db();
    QString text = Obj->Tmpl();
    for (size_t i = 0; i < ValPosList.size(); ++i) {
        const qsizetype slot = text.indexOf(QStringLiteral("%s"));
        if (slot < 0)
            break;
        QString value;
        if (!q.Eof()) {
            const TFld* f = Obj->TmplFldList[i]->Fld;
            const Value v = q.Field(ValPosList[i]);
            value = v.isNull() ? QString() : db.VarToStrByFldType(v, f->FldType(), false);
        }
        text.replace(slot, 2, value);
    }
    return text;
}

QString TFldTmpl::GetValue()
{
    auto q = list_.db().CreateIBSQLS(false);
    q->SetSQL(sql_.GetSelectSQL(true));
    sql_.SetFltrParams(*q);
    q->ExecQuery();
    // Values go by the template's positions: a field named twice fills both places.
    const QString text = Fill(*q);
    q->Close();
    return text;
}

std::vector<std::pair<QString, Value>> TFldTmpl::FillCombo()
{
    std::vector<std::pair<QString, Value>> out{{QString(), Value()}};
    auto q = list_.db().CreateIBSQLS(false);
    q->SetSQL(sql_.GetSelectSQL(true));
    sql_.SetFltrParams(*q);
    for (q->ExecQuery(); !q->Eof(); q->Next())
        out.emplace_back(Fill(*q), q->Field(keyPos_));
    q->Close();
    return out;
}

QString GetValueById(TObjList& list, TObj* AObj, const Value& AId)
{
    TFldTmpl t(list, AObj);
    t.CreateSQL(fttValue, AId);
    return t.GetValue();
}

}  // namespace korvanta
