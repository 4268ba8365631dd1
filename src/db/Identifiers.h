#pragma once
// Table, column, constraint, sequence and trigger names reach SQL text only
// after this check: upper-case Latin letters, digits and "_", a letter first,
// no Firebird reserved word, at most 31 bytes.

#include <QString>
#include <initializer_list>

namespace korvanta {

constexpr int kMaxIdentifierLength = 31;

// Empty when the name is acceptable, otherwise the user's message.
QString IdentifierProblem(const QString& name);
bool IsReservedWord(const QString& name);
// Raises the message of IdentifierProblem.
void CheckIdent(const QString& name);
void CheckIdents(std::initializer_list<QString> names);

}  // namespace korvanta
