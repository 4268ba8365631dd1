// Posting 20k new records through TRec (a formula and a link) against raw
// prepared inserts of the same values, in one transaction each.
#include "support/BenchSupport.h"

#include "engine/ModelBuilder.h"
#include "engine/TRec.h"

using namespace korvanta;
using korvanta::bench::ScratchDatabase;

namespace {

constexpr int kRows = 20000;

struct Model {
    ScratchDatabase db;
    qint64 head = 0;
    Model()
    {
        TDB tdb;
        tdb.SetConnectParams(db.params());
        tdb.Connect();
        qint64 item = 0, qty = 0, price = 0, total = 0;
        {
            ChangeTransaction tr(tdb);
            const qint64 h = ModelBuilder::AddObject(tdb, "BHEAD", "Документ", "Документы");
            ModelBuilder::AddField(tdb, h, "BHEAD", "NAME", "Название", ftStr, 50);
            item = ModelBuilder::AddObject(tdb, "BITEM", "Строка", "Строки");
            ModelBuilder::AddLink(tdb, item, "BITEM", "BHEAD_ID", "Документ", h, "BHEAD", fkCascade, true);
            qty = ModelBuilder::AddField(tdb, item, "BITEM", "QTY", "Количество", ftInteg);
            price = ModelBuilder::AddField(tdb, item, "BITEM", "PRICE", "Цена", ftNum182);
            total = ModelBuilder::AddField(tdb, item, "BITEM", "TOTAL", "Сумма", ftNum182);
            ModelBuilder::AddFormula(tdb, total, {ModelBuilder::Fn(1, 6, ffMul), ModelBuilder::FldNode(2, 3, qty),
                                                  ModelBuilder::FldNode(4, 5, price)});
            tr.Commit();
        }
        ChangeTransaction tr(tdb);
        head = tdb.InsRow("BHEAD", {"NAME"}, {"Приход"}, true);
        tdb.InsRow("UOA", {"USR_ID", "OBJ_ID", "NOOWNACC_ID", "UOA_ADD", "UOA_MENU"},
                   {1, item, tdb.AccToCode(aFull), 1, 1}, false);
        tr.Commit();
    }
};

Model& M()
{
    static Model m;
    return m;
}

void Ours(benchmark::State& state)
{
    TDB db;
    db.SetConnectParams(M().db.params());
    db.Connect();
    db.CurrentUserId = 1;
    TObjList list(db);
    list.Load();
    list.LoadUOA(1, Value());
    TObj* item = list.GetObjByTable("BITEM");
    TRecItem* link = nullptr;
    for (auto _ : state) {
        ChangeTransaction tr(db);
        TRec rec(list, item);
        for (int i = 0; i < kRows; ++i) {
            rec.SetDefaultValues();
            if (!link)
                link = &rec.RecItemByField("BHEAD_ID");
            link->SetValue(M().head);
            rec.RecItemByField("QTY").SetValue(i % 50 + 1);
            rec.RecItemByField("PRICE").SetValue(10.25 + i % 7);
            rec.Post();
        }
        tr.Commit();
        link = nullptr;
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void Raw(benchmark::State& state)
{
    TDB db;
    db.SetConnectParams(M().db.params());
    db.Connect();
    for (auto _ : state) {
        ChangeTransaction tr(db);
        auto q = db.CreateIBSQLC();
        q->SetSQL("insert into BITEM (BITEM_ID, BHEAD_ID, QTY, PRICE, TOTAL) values (gen_id(BITEM_ID, 1), :H, :Q, :P, :T)");
        for (int i = 0; i < kRows; ++i) {
            const int qty = i % 50 + 1;
            const double price = 10.25 + i % 7;
            q->SetParam("H", M().head);
            q->SetParam("Q", qty);
            q->SetParam("P", price);
            q->SetParam("T", qty * price);
            q->ExecQuery();
        }
        tr.Commit();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

}  // namespace

BENCHMARK(Raw)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Ours)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    return bench::RunWithRatios(argc, argv,
                                {{"TRec posts of new records, throughput of raw inserts (goal >= 0.5)",
                                  "Ours/iterations:3", "Raw/iterations:3", true, 0.5}});
}
