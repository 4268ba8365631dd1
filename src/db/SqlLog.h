#pragma once
// KORVANTA_SQL_LOG=FILE: every statement the program executes is appended to
// FILE with its parameter values, so users and tests can see what ran.

#include "Value.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace korvanta {

class SqlLog {
public:
    static bool Enabled();
    static void Write(const QString& sql, const QStringList& names, const std::vector<Value>& values);
    // Tests point the log at a file of their own (empty path: back to the environment).
    static void SetFile(const QString& path);
};

}  // namespace korvanta
