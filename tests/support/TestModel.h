#pragma once
// A small business model that the engine tests share, made through the
// schema builder and metadata rows of a real database:
//   CITY (no owner field), GRP (a hierarchy), CLIENT (owner field, unique
//   name, links to CITY and GRP), ORD (mandatory link to CLIENT, owner
//   field), ORDLINE (link to ORD);
//   users u1 and u2 in the group "Менеджеры", u3 without group (password "1");
//   rights rows for: no UOA row, no owner field, owner levels, and Detail
//   with user and group entries;
//   formulas: ORDLINE.LINESUM = QTY * PRICE, ORDLINE.CLIENTNAME = ORD>CLIENT>NAME,
//   ORDLINE.LINENO = counter of ORD.LINECNT, ORDLINE.CLIENT_ID = parent's
//   client (ParId), ORD.RATE = rate of ORD.CURR_ID on ORD.DT; ORD.COPY_OF
//   copies the order lines (copy group "lines"); currencies RUB (base), USD.

#include "db/TDB.h"

#include <QMap>

namespace korvanta::test {

struct TestModel {
    qint64 u1 = 0, u2 = 0, u3 = 0, managers = 0;
    QMap<QString, qint64> objs;  // table -> OBJ_ID
    QMap<QString, qint64> rows;  // "CLIENT:Альфа" -> key of a data row

    // Builds everything and commits.
    void Build(TDB& db);

    QMap<QString, qint64> flds;  // "TABLE.FIELD" -> FLD_ID of the fields added for formulas
};

}  // namespace korvanta::test
