#pragma once
// Shared pieces of the benchmarks: a scratch database and a reporter that
// prints, after the usual table, how our code compares with the raw database.

#include "db/FbClient.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <string>
#include <vector>

namespace korvanta::bench {

// A new database made by create-db in a temporary folder.
class ScratchDatabase {
public:
    ScratchDatabase();
    FbConnectParams params() const;
    const QString& path() const { return path_; }
private:
    QTemporaryDir dir_;
    QString path_;
};

// Metadata rows of `objects` objects with `fields` fields each, every object
// linked to the previous one (no tables: the catalogue does not look at them).
void FillLargeCatalogue(const FbConnectParams& params, int objects, int fields);

// Starts build/bin/server on a free loopback port; returns the port.
QString StartServer(QProcess& server);

struct RatioLine {
    std::string label;
    std::string ours;      // benchmark name
    std::string baseline;  // benchmark name
    bool higherIsBetter;   // throughput ratio (raw time / our time) when true
    double goal;           // 0: none
};

// Runs the registered benchmarks and prints the ratios.
int RunWithRatios(int argc, char** argv, const std::vector<RatioLine>& lines);

}  // namespace korvanta::bench
