#pragma once
// Shared pieces of the benchmarks: a scratch database and a reporter that
// prints, after the usual table, how our code compares with the raw database.

#include "db/FbClient.h"

#include <firebird/Interface.h>

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

// The raw object API, without our layer: the baseline the benchmarks compare
// with. Attaches as SYSDBA in UTF8; detaches when it goes.
class RawSession {
public:
    explicit RawSession(const QString& path);
    ~RawSession();
    RawSession(const RawSession&) = delete;
    RawSession& operator=(const RawSession&) = delete;
    // A transaction with these TPB tags (isc_tpb_read, isc_tpb_nowait, ...).
    Firebird::ITransaction* Start(std::initializer_list<unsigned char> tags);

    Firebird::IMaster* master;
    Firebird::ThrowStatusWrapper st;
    Firebird::IUtil* util;
    Firebird::IAttachment* att = nullptr;
};

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
