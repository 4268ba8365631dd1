#include "BenchSupport.h"

#include "db/CreateDatabase.h"

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
