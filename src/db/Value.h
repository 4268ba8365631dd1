#pragma once
// The system's variant value: null, boolean, integer, floating-point number,
// date-time or string. Field values, statement parameters, enumeration codes
// and packet values travel as Values; a null Value is SQL NULL.
//
// Dates are serial numbers: days since 30 December 1899, the time of day as
// the fraction (as the stored data and the other clients count them).

#include <QDate>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <variant>

namespace korvanta {

struct TDateTime {
    double serial = 0;
    bool operator==(const TDateTime&) const = default;
};

class Value {
public:
    enum class Kind { Null, Bool, Int, Float, DateTime, String };

    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool v) : v_(v) {}
    Value(int v) : v_(static_cast<qint64>(v)) {}
    Value(long v) : v_(static_cast<qint64>(v)) {}
    Value(long long v) : v_(static_cast<qint64>(v)) {}
    Value(double v) : v_(v) {}
    Value(TDateTime v) : v_(v) {}
    Value(const QString& v) : v_(v) {}
    Value(const char* v) : v_(QString::fromUtf8(v)) {}

    static Value Null() { return Value(); }
    static Value Date(const QDate& d);
    static Value DateTimeOf(const QDateTime& dt);

    Kind kind() const { return static_cast<Kind>(v_.index()); }
    bool isNull() const { return v_.index() == 0; }
    bool isString() const { return kind() == Kind::String; }
    bool isNumber() const { return kind() == Kind::Int || kind() == Kind::Float; }

    // Conversions fail with the platform's messages: "Variant is null" for a
    // null, "'%s' is not a valid integer value" for text that is no integer.
    qint64 asInteger() const;
    double asDouble() const;
    bool asBoolean() const;
    TDateTime asDateTime() const;
    // Null gives the empty text; numbers are written in the C locale.
    QString asString() const;

    // Raw access when the kind is known.
    bool boolValue() const { return std::get<bool>(v_); }
    qint64 intValue() const { return std::get<qint64>(v_); }
    double floatValue() const { return std::get<double>(v_); }
    TDateTime dateTimeValue() const { return std::get<TDateTime>(v_); }
    const QString& stringValue() const { return std::get<QString>(v_); }

    // Same kind and same content; an integer equals a float of the same value.
    bool operator==(const Value& other) const;
    bool operator!=(const Value& other) const { return !(*this == other); }

    // For the statement log and test messages: NULL, 'text', numbers.
    QString toLogText() const;

private:
    std::variant<std::monostate, bool, qint64, double, TDateTime, QString> v_;
};

// Serial dates.
double SerialFromDate(const QDate& d);
double SerialFromDateTime(const QDateTime& dt);
QDate DateFromSerial(double serial);
QDateTime DateTimeFromSerial(double serial);  // rounded to the millisecond
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second = 0,
                         int msec = 0);

// Rounds half away from zero on the decimal value, so 1.005 gives 1.01 at two
// places: the number is taken in its shortest decimal form, not its binary one.
double RoundTo(double value, int decimals);

// Shortest decimal form with "." ("1.5", "44270", "0.1"), never an exponent
// for the magnitudes of stored values.
QString FloatToStorage(double value);

}  // namespace korvanta
