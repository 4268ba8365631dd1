// TInsert of 100k rows with returned keys, against the raw Firebird API doing
// the same: fetch a key from the sequence, insert the row, one transaction.
#include "support/BenchSupport.h"

#include "db/TDB.h"

#include <firebird/Interface.h>
#include <cstring>

using namespace korvanta;
using korvanta::bench::ScratchDatabase;

namespace {

const int kRows = qEnvironmentVariableIsEmpty("KORVANTA_BENCH_ROWS") ? 100000 : qEnvironmentVariableIntValue("KORVANTA_BENCH_ROWS");

ScratchDatabase& Db()
{
    static ScratchDatabase db;
    static bool made = [] {
        TDB tdb;
        tdb.SetConnectParams(db.params());
        tdb.Connect();
        ChangeTransaction tr(tdb);
        tdb.CreateTable("BENCH", "BENCH_ID");
        tdb.CreateField("BENCH", "NAME", false, false, ftStr, 50);
        tdb.CreateField("BENCH", "AMOUNT", false, false, ftNum182, 0);
        tdb.CreateField("BENCH", "DT", false, false, ftDate, 0);
        tr.Commit();
        return true;
    }();
    (void)made;
    return db;
}

void Ours(benchmark::State& state)
{
    TDB db;
    db.SetConnectParams(Db().params());
    db.Connect();
    const TDateTime day = EncodeDate(2026, 12, 1);
    for (auto _ : state) {
        ChangeTransaction tr(db);
        TInsert ins(db, "BENCH", {"NAME", "AMOUNT", "DT"}, true);
        qint64 sum = 0;
        for (int i = 0; i < kRows; ++i)
            sum += ins.Insert({QStringLiteral("Клиент %1").arg(i), i * 0.01, day});
        benchmark::DoNotOptimize(sum);
        tr.Commit();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void Raw(benchmark::State& state)
{
    using namespace Firebird;
    bench::RawSession raw(Db().path());
    ThrowStatusWrapper& st = raw.st;
    IUtil* util = raw.util;
    IAttachment* att = raw.att;

    for (auto _ : state) {
        ITransaction* tra = raw.Start({isc_tpb_nowait, isc_tpb_read_committed, isc_tpb_rec_version});
        IStatement* gen = att->prepare(&st, tra, 0, "select gen_id(BENCH_ID, 1) from RDB$DATABASE", 3,
                                       IStatement::PREPARE_PREFETCH_METADATA);
        IStatement* ins = att->prepare(&st, tra, 0, "insert into BENCH (BENCH_ID, NAME, AMOUNT, DT) values (?, ?, ?, ?)",
                                       3, IStatement::PREPARE_PREFETCH_METADATA);
        // The key arrives as a BIGINT; the row is sent in a message laid out once.
        IMessageMetadata* keyMeta = gen->getOutputMetadata(&st);
        std::vector<unsigned char> keyBuf(keyMeta->getMessageLength(&st));
        IMessageMetadata* inMeta = ins->getInputMetadata(&st);
        IMetadataBuilder* b = inMeta->getBuilder(&st);
        b->setType(&st, 0, SQL_INT64 + 1);
        b->setLength(&st, 0, 8);
        b->setType(&st, 1, SQL_VARYING + 1);
        b->setLength(&st, 1, 200);
        b->setCharSet(&st, 1, 4);
        b->setType(&st, 2, SQL_DOUBLE + 1);
        b->setLength(&st, 2, 8);
        b->setType(&st, 3, SQL_TYPE_DATE + 1);
        b->setLength(&st, 3, 4);
        IMessageMetadata* rowMeta = b->getMetadata(&st);
        b->release();
        std::vector<unsigned char> row(rowMeta->getMessageLength(&st), 0);
        unsigned off[4];
        for (unsigned i = 0; i < 4; ++i)
            off[i] = rowMeta->getOffset(&st, i);
        const ISC_DATE day = util->encodeDate(2026, 12, 1);
        std::memcpy(&row[off[3]], &day, 4);
        qint64 sum = 0;
        for (int i = 0; i < kRows; ++i) {
            IResultSet* rs = gen->openCursor(&st, tra, nullptr, nullptr, keyMeta, 0);
            rs->fetchNext(&st, keyBuf.data());
            rs->close(&st);
            ISC_INT64 id;
            std::memcpy(&id, &keyBuf[keyMeta->getOffset(&st, 0)], 8);
            std::memcpy(&row[off[0]], &id, 8);
            const QByteArray name = QStringLiteral("Клиент %1").arg(i).toUtf8();
            const ISC_USHORT len = static_cast<ISC_USHORT>(name.size());
            std::memcpy(&row[off[1]], &len, 2);
            std::memcpy(&row[off[1] + 2], name.constData(), len);
            const double amount = i * 0.01;
            std::memcpy(&row[off[2]], &amount, 8);
            ins->execute(&st, tra, rowMeta, row.data(), nullptr, nullptr);
            sum += id;
        }
        benchmark::DoNotOptimize(sum);
        rowMeta->release();
        inMeta->release();
        keyMeta->release();
        gen->free(&st);
        ins->free(&st);
        tra->commit(&st);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

}  // namespace

BENCHMARK(Ours)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Raw)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    return korvanta::bench::RunWithRatios(
        argc, argv, {{"TInsert with returned keys, throughput of raw (goal >= 0.8)", "Ours/iterations:3",
                      "Raw/iterations:3", true, 0.8}});
}
