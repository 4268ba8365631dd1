#pragma once
// Asserts that a call fails with exactly the system's message.

#include "db/ExceptionPos.h"

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <ostream>

// Readable QStrings in test failures.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os)
{
    *os << "[\n";
    for (const QString& s : l)
        *os << "  " << s.toStdString() << "\n";
    *os << "]";
}

#define EXPECT_MSG(statement, expected)                                                    \
    do {                                                                                   \
        try {                                                                              \
            statement;                                                                     \
            ADD_FAILURE() << "no exception, expected: " << QString(expected).toStdString(); \
        } catch (const ::korvanta::ExceptionPos& e__) {                                    \
            EXPECT_EQ(e__.message().toStdString(), QString(expected).toStdString());       \
        }                                                                                  \
    } while (0)

// The message must start with the text (database errors carry more lines).
#define EXPECT_MSG_STARTS(statement, prefix)                                               \
    do {                                                                                   \
        try {                                                                              \
            statement;                                                                     \
            ADD_FAILURE() << "no exception, expected: " << QString(prefix).toStdString();  \
        } catch (const ::korvanta::ExceptionPos& e__) {                                    \
            EXPECT_TRUE(e__.message().startsWith(QString(prefix)))                         \
                << e__.message().toStdString();                                            \
        }                                                                                  \
    } while (0)
