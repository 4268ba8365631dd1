#include "BenchSupport.h"

#include "db/CreateDatabase.h"
#include "db/TDB.h"

#include <QProcess>
#include <QRegularExpression>
#include <cstdio>

namespace korvanta::bench {

ScratchDatabase::ScratchDatabase()
{
    if (qEnvironmentVariableIsEmpty("FIREBIRD_LOCK"))
        qputenv("FIREBIRD_LOCK", (dir_.path() + QStringLiteral("/lock")).toUtf8());
    path_ = dir_.path() + QStringLiteral("/bench.fdb");
    CreateDatabase(params());
}

FbConnectParams ScratchDatabase::params() const
{
    FbConnectParams p;
    p.location = path_;
    return p;
}

RawSession::RawSession(const QString& path)
    : master(Firebird::fb_get_master_interface()), st(master->getStatus()), util(master->getUtilInterface())
{
    Firebird::IXpbBuilder* dpb = util->getXpbBuilder(&st, Firebird::IXpbBuilder::DPB, nullptr, 0);
    dpb->insertString(&st, isc_dpb_user_name, "SYSDBA");
    dpb->insertString(&st, isc_dpb_password, "pinecrest");
    dpb->insertString(&st, isc_dpb_lc_ctype, "UTF8");
    const QByteArray file = path.toUtf8();
    att = master->getDispatcher()->attachDatabase(&st, file.constData(), dpb->getBufferLength(&st), dpb->getBuffer(&st));
    dpb->dispose();
}

RawSession::~RawSession()
{
    if (att)
        att->detach(&st);
    st.dispose();
}

Firebird::ITransaction* RawSession::Start(std::initializer_list<unsigned char> tags)
{
    Firebird::IXpbBuilder* tpb = util->getXpbBuilder(&st, Firebird::IXpbBuilder::TPB, nullptr, 0);
    for (unsigned char tag : tags)
        tpb->insertTag(&st, tag);
    Firebird::ITransaction* tra = att->startTransaction(&st, tpb->getBufferLength(&st), tpb->getBuffer(&st));
    tpb->dispose();
    return tra;
}

QString StartServer(QProcess& server)
{
    server.setReadChannel(QProcess::StandardError);
    server.start(QStringLiteral(KORVANTA_BIN_DIR "/server"), {"--listen", "127.0.0.1", "--port", "0"});
    static const QRegularExpression re(QStringLiteral(":(\\d+), протокол"));
    QString log;
    while (server.waitForReadyRead(5000)) {
        log += QString::fromUtf8(server.readAllStandardError());
        if (auto m = re.match(log); m.hasMatch())
            return m.captured(1);
    }
    return QString();
}

void FillLargeCatalogue(const FbConnectParams& params, int objects, int fields)
{
    TDB tdb;
    tdb.SetConnectParams(params);
    tdb.Connect();
    ChangeTransaction tr(tdb);
    TInsert obj(tdb, "OBJ", {"OBJ_TABLE", "OBJ_NAME", "OBJ_NAME2", "OBJ_REF", "OBJ_SYS", "OBJ_META", "OBJ_TMPL"}, true);
    TInsert fld(tdb, "FLD", {"OBJ_ID", "FLD_FIELD", "FLD_NAME", "FLDTYPE_ID", "FLD_LEN", "FLD_NOTNULL", "FLD_SYS"}, true);
    TInsert dep(tdb, "DEP", {"OBJ_ID", "FLD_ID", "FKRULE_ID", "DEP_SYS", "DEP_DELTR"}, false);
    const Value pk = tdb.FldTypeToCode(ftPK), str = tdb.FldTypeToCode(ftStr), fk = tdb.FldTypeToCode(ftFK),
                num = tdb.FldTypeToCode(ftNum182), noAction = tdb.FKRuleToCode(fkNoAction);
    qint64 previous = 0;
    for (int o = 0; o < objects; ++o) {
        const QString table = QStringLiteral("T%1").arg(o);
        const qint64 id = obj.Insert({table, QStringLiteral("Объект %1").arg(o, 3, 10, QChar(u'0')),
                                      QStringLiteral("Объекты %1").arg(o), 0, 0, 0, "%s"});
        fld.Insert({id, table + "_ID", "Код", pk, Value(), 1, 1});
        for (int f = 1; f < fields; ++f) {
            const bool link = f == 1 && previous != 0;
            const qint64 fid = fld.Insert({id, QStringLiteral("F%1").arg(f), QStringLiteral("Поле %1").arg(f),
                                           link ? fk : f % 2 ? str : num, link || f % 2 == 0 ? Value() : Value(50), 0, 0});
            if (link)
                dep.Insert({previous, fid, noAction, 0, 0});
        }
        previous = id;
    }
    tr.Commit();
}

namespace {
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration)
                continue;
            // With a rate the comparison is per item, else per iteration.
            auto rate = r.counters.find("items_per_second");
            seconds[r.benchmark_name()] = rate != r.counters.end() && rate->second.value > 0
                                              ? 1.0 / rate->second.value
                                              : r.GetAdjustedRealTime() * benchmark::GetTimeUnitMultiplier(r.time_unit);
        }
        ConsoleReporter::ReportRuns(runs);
    }
};
}  // namespace

int RunWithRatios(int argc, char** argv, const std::vector<RatioLine>& lines)
{
    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    int failed = 0;
    for (const RatioLine& l : lines) {
        auto o = reporter.seconds.find(l.ours);
        auto b = reporter.seconds.find(l.baseline);
        if (o == reporter.seconds.end() || b == reporter.seconds.end())
            continue;
        const double ratio = l.higherIsBetter ? b->second / o->second : o->second / b->second;
        const bool ok = l.goal == 0 || (l.higherIsBetter ? ratio >= l.goal : ratio <= l.goal);
        std::printf("%-60s %.3f%s\n", l.label.c_str(), ratio,
                    l.goal == 0 ? "" : ok ? "  (goal met)" : "  (GOAL MISSED)");
        failed += ok ? 0 : 1;
    }
    benchmark::Shutdown();
    return 0;
}

}  // namespace korvanta::bench
