#pragma once
// Headless creation of user objects: the metadata rows (OBJ, FLD, DEP,
// FRMLIT, FRMLITPT) and the schema (table, column, foreign key) in the
// caller's change transaction. Tests, benchmarks and administration tools
// build models with it.

#include "db/TDB.h"

#include <vector>

namespace korvanta {

struct ModelBuilder {
    // Creates an object with its table and key field; returns OBJ_ID.
    static qint64 AddObject(TDB& db, const QString& table, const QString& name, const QString& name2,
                            bool tree = false, bool hasTree = false);
    // Returns FLD_ID.
    static qint64 AddField(TDB& db, qint64 objId, const QString& table, const QString& field, const QString& name,
                           TFldType type, int len = 0, bool notNull = false, bool acc = false,
                           const QString& sid = QString());
    // A link field, its DEP row and its foreign key; returns FLD_ID.
    static qint64 AddLink(TDB& db, qint64 objId, const QString& table, const QString& field, const QString& name,
                          qint64 parentObjId, const QString& parentTable, TFKRule rule, bool notNull = false,
                          bool acc = false);

    // One formula node as stored: nested-set numbers and what the node is.
    struct FNode {
        int lft, rgt;
        TFrmlFunc func = ffNone;
        TFldType constType = ftNone;
        QString constValue;
        qint64 fldValue = 0;
        std::vector<qint64> path;
    };
    static FNode Fn(int lft, int rgt, TFrmlFunc func) { return FNode{lft, rgt, func, ftNone, QString(), 0, {}}; }
    static FNode FldNode(int lft, int rgt, qint64 fld, std::vector<qint64> path = {})
    {
        return FNode{lft, rgt, ffNone, ftNone, QString(), fld, std::move(path)};
    }
    // Writes the nodes of a field's formula and marks the field computed.
    static void AddFormula(TDB& db, qint64 fldId, const std::vector<FNode>& nodes);
};

}  // namespace korvanta
