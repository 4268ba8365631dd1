#include "ModelBuilder.h"

namespace korvanta {

qint64 ModelBuilder::AddObject(TDB& db, const QString& table, const QString& name, const QString& name2, bool tree,
                            bool hasTree)
{
    const qint64 id = db.InsRow("OBJ",
                                {"OBJ_TABLE", "OBJ_NAME", "OBJ_NAME2", "OBJ_REF", "OBJ_SYS", "OBJ_META", "OBJ_NOMENU",
                                 "OBJ_TREE", "OBJ_HASTREE", "OBJ_HASTMPL", "OBJ_FETCHALL"},
                                {table, name, name2, tree ? 1 : 0, 0, 0, 0, tree ? 1 : 0, hasTree ? 1 : 0, 0, 0}, true);
    db.InsRow("FLD", {"OBJ_ID", "FLD_FIELD", "FLD_NAME", "FLDTYPE_ID", "FLD_NOTNULL", "FLD_SYS"},
              {id, table + "_ID", "Код", db.FldTypeToCode(ftPK), 1, 1}, false);
    db.CreateTable(table, table + "_ID");
    return id;
}

qint64 ModelBuilder::AddField(TDB& db, qint64 objId, const QString& table, const QString& field, const QString& name,
                           TFldType type, int len, bool notNull, bool acc, const QString& sid)
{
    const qint64 id = db.InsRow("FLD",
                                {"OBJ_ID", "FLD_FIELD", "FLD_NAME", "FLDTYPE_ID", "FLD_LEN", "FLD_NOTNULL", "FLD_ACC",
                                 "FLD_SID"},
                                {objId, field, name, db.FldTypeToCode(type), len ? Value(len) : Value(),
                                 notNull ? 1 : 0, acc ? 1 : 0, sid.isEmpty() ? Value() : Value(sid)},
                                true);
    db.CreateField(table, field, notNull, false, type, len);
    return id;
}

qint64 ModelBuilder::AddLink(TDB& db, qint64 objId, const QString& table, const QString& field, const QString& name,
                          qint64 parentObjId, const QString& parentTable, TFKRule rule, bool notNull, bool acc)
{
    const qint64 fld = AddField(db, objId, table, field, name, ftFK, 0, notNull, acc);
    db.InsRow("DEP", {"OBJ_ID", "FLD_ID", "FKRULE_ID", "DEP_SYS", "DEP_DELTR"},
              {parentObjId, fld, db.FKRuleToCode(rule), 0, 0}, false);
    db.CreateFK(table, parentTable, field, parentTable + "_ID", rule);
    return fld;
}

void ModelBuilder::AddFormula(TDB& db, qint64 fldId, const std::vector<FNode>& nodes)
{
    for (const FNode& n : nodes) {
        const qint64 id = db.InsRow(
            "FRMLIT",
            {"FLD_ID", "FRMLIT_LFT", "FRMLIT_RGT", "FRMLFUNC_ID", "FLDTYPE_ID", "FRMLIT_VALUE", "FLD_ID_VALUE",
             "FRMLIT_HASPATH"},
            {fldId, n.lft, n.rgt, db.FrmlFuncToCode(n.func), db.FldTypeToCode(n.constType),
             n.constValue.isEmpty() ? Value() : Value(n.constValue), n.fldValue ? Value(n.fldValue) : Value(),
             n.path.empty() ? 0 : 1},
            true);
        for (qint64 step : n.path)
            db.InsRow("FRMLITPT", {"FRMLIT_ID", "FLD_ID"}, {id, step}, false);
    }
    db.UpdRows("FLD", {"FLD_HASFRML"}, {1}, {"FLD_ID"}, {fldId}, 1);
}

}  // namespace korvanta
