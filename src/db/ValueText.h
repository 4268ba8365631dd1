#pragma once
// Text forms of values under the system's fixed Russian settings: decimal
// comma, space as thousands separator, day.month.year dates. They do not
// depend on the machine's locale.

#include "Enums.h"
#include "Value.h"

#include <QString>
#include <optional>

namespace korvanta {

namespace ru {
inline constexpr QChar kDecimal = u',';
inline constexpr QChar kThousands = u' ';
}  // namespace ru

// Shortest form with the decimal comma ("1234,5").
QString FloatToText(double value);
// Fixed decimals with thousands separators ("1 234,50").
QString FloatToTextFormatted(double value, int decimals);
QString IntegerToTextFormatted(qint64 value);
QString DateToText(double serial);        // "15.03.2021"
QString DateTimeToText(double serial);    // "15.03.2021 9:05"
QString DateTimeToLongText(double serial);  // "15.03.2021 9:05:07"

// Parsing of entered text; nullopt when the text is not of the kind.
std::optional<double> TextToFloat(const QString& text);
std::optional<qint64> TextToInteger(const QString& text);
std::optional<double> TextToDate(const QString& text);
std::optional<double> TextToDateTime(const QString& text);

// The start of the period that holds the date, moved by lag periods.
TDateTime StartOfThe(TDateTime date, TDateGrp grp, int lag);

}  // namespace korvanta
