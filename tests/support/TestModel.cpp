#include "TestModel.h"

#include "engine/ModelBuilder.h"

namespace korvanta::test {

using MB = ModelBuilder;

void TestModel::Build(TDB& db)
{
    {
        ChangeTransaction tr(db);
        const qint64 usr = db.SelVals("OBJ_ID", "OBJ", {"OBJ_TABLE"}, {"USR"}).asInteger();
        const qint64 city = objs["CITY"] = MB::AddObject(db, "CITY", "Город", "Города");
        flds["CITY.NAME"] = MB::AddField(db, city, "CITY", "NAME", "Название", ftStr, 50);

        const qint64 grp = objs["GRP"] = MB::AddObject(db, "GRP", "Иерархия", "Иерархия", true);
        MB::AddField(db, grp, "GRP", "LFT", "Левый код", ftInteg, 0, true, false, "Lft");
        MB::AddField(db, grp, "GRP", "RGT", "Правый код", ftInteg, 0, true, false, "Rgt");
        MB::AddField(db, grp, "GRP", "NAME", "Название", ftStr, 50, false, false, "Name");

        const qint64 client = objs["CLIENT"] = MB::AddObject(db, "CLIENT", "Клиент", "Клиенты", false, true);
        flds["CLIENT.NAME"] = MB::AddField(db, client, "CLIENT", "NAME", "Название", ftStr, 100, true);
        flds["CLIENT.CITY_ID"] = MB::AddLink(db, client, "CLIENT", "CITY_ID", "Город", city, "CITY", fkNoAction);
        MB::AddLink(db, client, "CLIENT", "OWNER_ID", "Менеджер", usr, "USR", fkNoAction, false, true);
        MB::AddLink(db, client, "CLIENT", "GRP_ID", "Группа", grp, "GRP", fkNoAction);
        db.ExecSQL("alter table CLIENT add constraint UK_CLIENT unique (NAME)", {});

        const qint64 ord = objs["ORD"] = MB::AddObject(db, "ORD", "Заказ", "Заказы");
        flds["ORD.CLIENT_ID"] = MB::AddLink(db, ord, "ORD", "CLIENT_ID", "Клиент", client, "CLIENT", fkCascade, true);
        MB::AddField(db, ord, "ORD", "NUM", "Номер", ftInteg);
        flds["ORD.DT"] = MB::AddField(db, ord, "ORD", "DT", "Дата", ftDate);
        MB::AddField(db, ord, "ORD", "AMOUNT", "Сумма", ftNum182);
        MB::AddLink(db, ord, "ORD", "OWNER_ID", "Менеджер", usr, "USR", fkNoAction, false, true);

        const qint64 line = objs["ORDLINE"] = MB::AddObject(db, "ORDLINE", "Строка заказа", "Строки заказа");
        flds["ORDLINE.ORD_ID"] = MB::AddLink(db, line, "ORDLINE", "ORD_ID", "Заказ", ord, "ORD", fkCascade, true);
        flds["ORDLINE.QTY"] = MB::AddField(db, line, "ORDLINE", "QTY", "Количество", ftInteg);
        flds["ORDLINE.PRICE"] = MB::AddField(db, line, "ORDLINE", "PRICE", "Цена", ftNum182);

        // Formulas, a counter, currencies and the copying of lines.
        const qint64 curr = db.SelVals("OBJ_ID", "OBJ", {"OBJ_TABLE"}, {"CURR"}).asInteger();
        const qint64 ordCurr = flds["ORD.CURR_ID"] = MB::AddLink(db, ord, "ORD", "CURR_ID", "Валюта", curr, "CURR", fkNoAction);
        const qint64 rate = flds["ORD.RATE"] = MB::AddField(db, ord, "ORD", "RATE", "Курс", ftNum184);
        flds["ORD.LINECNT"] = MB::AddField(db, ord, "ORD", "LINECNT", "Строк выдано", ftInteg);
        flds["ORD.COPY_OF"] = MB::AddLink(db, ord, "ORD", "COPY_OF", "Копия заказа", ord, "ORD", fkSetNull);
        db.UpdRows("FLD", {"FLD_COPYCHLD"}, {1}, {"FLD_ID"}, {flds["ORD.COPY_OF"]}, 1);
        const qint64 sum = flds["ORDLINE.LINESUM"] = MB::AddField(db, line, "ORDLINE", "LINESUM", "Сумма", ftNum182);
        const qint64 clientName = flds["ORDLINE.CLIENTNAME"] = MB::AddField(db, line, "ORDLINE", "CLIENTNAME", "Клиент заказа", ftStr, 10);
        const qint64 lineNo = flds["ORDLINE.LINENO"] = MB::AddField(db, line, "ORDLINE", "LINENO", "Номер строки", ftInteg);
        const qint64 lineClient = flds["ORDLINE.CLIENT_ID"] = MB::AddLink(db, line, "ORDLINE", "CLIENT_ID", "Клиент", client, "CLIENT", fkNoAction);
        db.UpdRows("OBJ", {"OBJ_COPYGRP"}, {"lines"}, {"OBJ_ID"}, {line}, 1);
        // Clients are shown as "name, city" (the city through the optional link).
        db.UpdRows("OBJ", {"OBJ_TMPL", "OBJ_HASTMPL"}, {"%s, %s", 1}, {"OBJ_ID"}, {client}, 1);
        db.InsRow("OBJVALUE", {"OBJ_ID", "FLD_ID", "OBJVALUE_HASPATH"}, {client, flds["CLIENT.NAME"], 0}, false);
        const qint64 byCity = db.InsRow("OBJVALUE", {"OBJ_ID", "FLD_ID", "OBJVALUE_HASPATH"}, {client, flds["CITY.NAME"], 1}, true);
        db.InsRow("OBJVALPT", {"OBJVALUE_ID", "FLD_ID"}, {byCity, flds["CLIENT.CITY_ID"]}, false);
        auto fld = [&](const char* table, const char* field) { return flds[QStringLiteral("%1.%2").arg(table, field)]; };
        MB::AddFormula(db, sum, {MB::Fn(1, 6, ffMul), MB::FldNode(2, 3, fld("ORDLINE", "QTY")), MB::FldNode(4, 5, fld("ORDLINE", "PRICE"))});
        MB::AddFormula(db, clientName,
                   {MB::FldNode(1, 2, fld("CLIENT", "NAME"), {fld("ORDLINE", "ORD_ID"), fld("ORD", "CLIENT_ID")})});
        MB::AddFormula(db, lineNo, {MB::Fn(1, 4, ffInc), MB::FldNode(2, 3, flds["ORD.LINECNT"], {fld("ORDLINE", "ORD_ID")})});
        MB::AddFormula(db, lineClient, {MB::Fn(1, 2, ffParId)});
        MB::AddFormula(db, rate, {MB::Fn(1, 6, ffRate), MB::FldNode(2, 3, ordCurr), MB::FldNode(4, 5, fld("ORD", "DT"))});
        tr.Commit();
    }
    ChangeTransaction tr(db);
    // Users and their group (the group tree: root 1..4, managers 2..3).
    db.UpdRows("USRGRP", {"USRGRP_RGT"}, {4}, {"USRGRP_ID"}, {1}, 1);
    managers = db.InsRow("USRGRP", {"USRGRP_LFT", "USRGRP_RGT", "USRGRP_NAME"}, {2, 3, "Менеджеры"}, true);
    const QString pas = PasswordHash("1");
    const QStringList usrCols{"USRGRP_ID", "USR_LOGIN", "USR_NAME", "USR_PAS"};
    u1 = db.InsRow("USR", usrCols, {managers, "u1", "Иванов", pas}, true);
    u2 = db.InsRow("USR", usrCols, {managers, "u2", "Петров", pas}, true);
    u3 = db.InsRow("USR", usrCols, {Value(), "u3", "Сидоров", pas}, true);

    // Data.
    for (const char* name : {"Москва", "Казань"})
        rows[QStringLiteral("CITY:") + name] = db.InsRow("CITY", {"NAME"}, {name}, true);
    const qint64 root = db.InsRow("GRP", {"LFT", "RGT", "NAME"}, {1, 2, "Все"}, true);
    rows["GRP:Все"] = root;
    struct C {
        const char* name;
        qint64 owner;
        const char* city;
    } clients[] = {{"Альфа", u1, "Москва"}, {"Бета", u2, "Казань"}, {"Гамма", 0, "Москва"}, {"Дельта", u3, nullptr}};
    for (const C& c : clients)
        rows[QStringLiteral("CLIENT:") + c.name] = db.InsRow(
            "CLIENT", {"NAME", "OWNER_ID", "CITY_ID", "GRP_ID"},
            {c.name, c.owner ? Value(c.owner) : Value(),
             c.city ? Value(rows[QStringLiteral("CITY:") + c.city]) : Value(), root},
            true);
    struct O {
        int num;
        const char* client;
        qint64 owner;
        TDateTime dt;
        double amount;
    } orders[] = {{1, "Альфа", u1, EncodeDate(2021, 3, 1), 100.5},
                  {2, "Бета", u2, EncodeDate(2021, 3, 15), 200},
                  {3, "Гамма", 0, EncodeDate(2021, 2, 28), 300},
                  {4, "Дельта", u3, EncodeDate(2021, 4, 1), 400}};
    for (const O& o : orders) {
        const qint64 id = rows[QStringLiteral("ORD:%1").arg(o.num)] = db.InsRow(
            "ORD", {"CLIENT_ID", "NUM", "DT", "AMOUNT", "OWNER_ID"},
            {rows[QStringLiteral("CLIENT:") + o.client], o.num, o.dt, o.amount, o.owner ? Value(o.owner) : Value()},
            true);
        db.InsRow("ORDLINE", {"ORD_ID", "QTY", "PRICE"}, {id, 2, 10.25}, false);
    }

    // Currencies and rates; every order may hand out line numbers.
    rows["CURR:RUB"] = db.InsRow("CURR", {"CURR_NAME", "CURR_BASE"}, {"RUB", 1}, true);
    const qint64 usd = rows["CURR:USD"] = db.InsRow("CURR", {"CURR_NAME", "CURR_BASE"}, {"USD", 0}, true);
    db.InsRow("CURRATE", {"CURR_ID", "CURRATE_DATE", "CURRATE_VALUE"}, {usd, EncodeDate(2021, 3, 1), 74.5}, false);
    db.InsRow("CURRATE", {"CURR_ID", "CURRATE_DATE", "CURRATE_VALUE"}, {usd, EncodeDate(2021, 3, 10), 73.25}, false);
    db.ExecSQL("update ORD set LINECNT = 0", {});

    // Rights.
    auto acc = [&](TAcc a) { return a == aNoAcc ? Value() : db.AccToCode(a); };
    auto uoa = [&](qint64 user, const char* table, TAcc own, TAcc noOwn) {
        return db.InsRow("UOA",
                         {"USR_ID", "OBJ_ID", "OWNACC_ID", "NOOWNACC_ID", "UOA_MENU", "UOA_ADD", "UOA_TREE",
                          "UOA_IMPORT", "UOA_EXPORT", "UOA_TMDC", "UOA_DOUBLE", "UOA_ADVFLTR"},
                         {user, objs[table], acc(own), acc(noOwn), 1, 1, 0, 0, 0, 0, 0, 1}, true);
    };
    uoa(u1, "CITY", aNoAcc, aReadTbl);  // u2 has no row for CITY at all
    uoa(u1, "CLIENT", aFull, aNoAcc);
    uoa(u2, "CLIENT", aEdit, aReadTbl);
    const qint64 u1Ord = uoa(u1, "ORD", aDetail, aNoAcc);
    db.InsRow("UUA", {"UOA_ID", "USR_ID", "ACC_ID"}, {u1Ord, u2, db.AccToCode(aReadCrd)}, false);
    db.InsRow("UGA", {"UOA_ID", "USRGRP_ID", "ACC_ID"}, {u1Ord, managers, db.AccToCode(aFull)}, false);
    const qint64 u2Ord = uoa(u2, "ORD", aDetail, aEdit);
    db.InsRow("UUA", {"UOA_ID", "USR_ID", "ACC_ID"}, {u2Ord, u3, db.AccToCode(aReadTbl)}, false);
    uoa(u1, "ORDLINE", aNoAcc, aFull);
    tr.Commit();
}

}  // namespace korvanta::test
