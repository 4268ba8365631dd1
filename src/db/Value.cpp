#include "Value.h"

#include "ExceptionPos.h"

#include <charconv>
#include <cmath>
#include <string>

namespace korvanta {

namespace {
const QDate kSerialEpoch(1899, 12, 30);
}

Value Value::Date(const QDate& d)
{
    return d.isValid() ? Value(TDateTime{SerialFromDate(d)}) : Value();
}

Value Value::DateTimeOf(const QDateTime& dt)
{
    return dt.isValid() ? Value(TDateTime{SerialFromDateTime(dt)}) : Value();
}

qint64 Value::asInteger() const
{
    switch (kind()) {
    case Kind::Null: RaiseMsg(QStringLiteral("Variant is null"));
    case Kind::Bool: return boolValue() ? 1 : 0;
    case Kind::Int: return intValue();
    case Kind::Float: return static_cast<qint64>(std::llround(floatValue()));
    case Kind::DateTime: return static_cast<qint64>(std::trunc(dateTimeValue().serial));
    case Kind::String: {
        bool ok = false;
        qint64 v = stringValue().trimmed().toLongLong(&ok);
        if (!ok)
            RaiseMsgFmt(QStringLiteral("'%s' is not a valid integer value"), {stringValue()});
        return v;
    }
    }
    return 0;
}

double Value::asDouble() const
{
    switch (kind()) {
    case Kind::Null: RaiseMsg(QStringLiteral("Variant is null"));
    case Kind::Bool: return boolValue() ? 1 : 0;
    case Kind::Int: return static_cast<double>(intValue());
    case Kind::Float: return floatValue();
    case Kind::DateTime: return dateTimeValue().serial;
    case Kind::String: {
        bool ok = false;
        double v = stringValue().trimmed().toDouble(&ok);
        if (!ok)
            RaiseMsgFmt(QStringLiteral("'%s' is not a valid floating point value"), {stringValue()});
        return v;
    }
    }
    return 0;
}

bool Value::asBoolean() const
{
    switch (kind()) {
    case Kind::Null: RaiseMsg(QStringLiteral("Variant is null"));
    case Kind::Bool: return boolValue();
    case Kind::String: {
        const QString s = stringValue().trimmed();
        if (s.compare(u"true", Qt::CaseInsensitive) == 0)
            return true;
        if (s.compare(u"false", Qt::CaseInsensitive) == 0)
            return false;
        return asInteger() != 0;
    }
    default: return asDouble() != 0;
    }
}

TDateTime Value::asDateTime() const
{
    if (kind() == Kind::DateTime)
        return dateTimeValue();
    if (kind() == Kind::String) {
        QDateTime dt = QDateTime::fromString(stringValue(), Qt::ISODate);
        if (!dt.isValid())
            RaiseMsgFmt(QStringLiteral("Could not convert variant of type (String) into type (Date)"), {});
        return TDateTime{SerialFromDateTime(dt)};
    }
    return TDateTime{asDouble()};
}

QString Value::asString() const
{
    switch (kind()) {
    case Kind::Null: return QString();
    case Kind::Bool: return boolValue() ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::Int: return QString::number(intValue());
    case Kind::Float: return FloatToStorage(floatValue());
    case Kind::DateTime: return FloatToStorage(dateTimeValue().serial);
    case Kind::String: return stringValue();
    }
    return QString();
}

bool Value::operator==(const Value& other) const
{
    if (isNumber() && other.isNumber()) {
        if (kind() == Kind::Int && other.kind() == Kind::Int)
            return intValue() == other.intValue();
        return asDouble() == other.asDouble();
    }
    return v_ == other.v_;
}

QString Value::toLogText() const
{
    switch (kind()) {
    case Kind::Null: return QStringLiteral("NULL");
    case Kind::String: {
        QString s = stringValue();
        s.replace(u'\'', QStringLiteral("''"));
        return u'\'' + s + u'\'';
    }
    case Kind::DateTime: {
        QDateTime dt = DateTimeFromSerial(dateTimeValue().serial);
        return u'\'' + dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + u'\'';
    }
    default: return asString();
    }
}

double SerialFromDate(const QDate& d)
{
    return static_cast<double>(kSerialEpoch.daysTo(d));
}

double SerialFromDateTime(const QDateTime& dt)
{
    double days = SerialFromDate(dt.date());
    double frac = dt.time().msecsSinceStartOfDay() / 86400000.0;
    // Before the epoch the fraction still counts forward from midnight.
    return days >= 0 ? days + frac : days - frac;
}

QDate DateFromSerial(double serial)
{
    return kSerialEpoch.addDays(static_cast<qint64>(std::trunc(serial)));
}

QDateTime DateTimeFromSerial(double serial)
{
    double days = std::trunc(serial);
    double frac = std::fabs(serial - days);
    qint64 ms = std::llround(frac * 86400000.0);
    QDate d = kSerialEpoch.addDays(static_cast<qint64>(days));
    if (ms >= 86400000) {
        d = d.addDays(1);
        ms -= 86400000;
    }
    // Serial dates know no time zone: UTC keeps every time of day valid (no
    // daylight-saving gaps) and spares a time-zone lookup per value.
    return QDateTime(d, QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)), Qt::UTC);
}

TDateTime EncodeDate(int year, int month, int day)
{
    return TDateTime{SerialFromDate(QDate(year, month, day))};
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec)
{
    return TDateTime{SerialFromDateTime(
        QDateTime(QDate(year, month, day), QTime(hour, minute, second, msec), Qt::UTC))};
}

double RoundTo(double value, int decimals)
{
    if (!std::isfinite(value))
        return value;
    // The shortest round-trip decimal form is the number the user meant.
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    std::string s(buf, res.ptr);
    // s = [-]d[.ddd]e[+-]xx
    bool neg = false;
    size_t pos = 0;
    if (s[0] == '-') {
        neg = true;
        pos = 1;
    }
    size_t epos = s.find('e');
    int exp = std::stoi(s.substr(epos + 1));
    std::string digits;
    for (size_t i = pos; i < epos; ++i)
        if (s[i] != '.')
            digits += s[i];
    // value = 0.digits * 10^(exp+1); keep the digits before position exp+1+decimals.
    int keep = exp + 1 + decimals;
    if (keep < 0)
        return 0.0;
    if (keep >= static_cast<int>(digits.size()))
        return value;
    bool up = digits[keep] >= '5';
    std::string kept = digits.substr(0, keep);
    if (kept.empty())
        kept = "0";
    // Increment the decimal string when rounding up.
    if (up) {
        int i = static_cast<int>(kept.size()) - 1;
        while (i >= 0 && kept[i] == '9') {
            kept[i] = '0';
            --i;
        }
        if (i < 0)
            kept.insert(kept.begin(), '1');
        else
            kept[i] = static_cast<char>(kept[i] + 1);
    }
    // Result = kept * 10^(-decimals)
    std::string text = (neg ? "-" : "") + kept + "e" + std::to_string(-decimals);
    double out = 0;
    std::from_chars(text.data(), text.data() + text.size(), out);
    return out == 0 ? 0.0 : out;
}

QString FloatToStorage(double value)
{
    char buf[64];
    double a = std::fabs(value);
    std::to_chars_result res;
    if (a != 0 && (a >= 1e15 || a < 1e-6))
        res = std::to_chars(buf, buf + sizeof buf, value);
    else
        res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    // to_chars with the fixed format is still the shortest round-trip form.
    return QString::fromLatin1(buf, res.ptr - buf);
}

}  // namespace korvanta
