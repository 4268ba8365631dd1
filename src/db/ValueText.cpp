#include "ValueText.h"

#include "ExceptionPos.h"

#include <charconv>
#include <cmath>

namespace korvanta {

namespace {

QString GroupThousands(const QString& digits)
{
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += ru::kThousands;
        out += digits[i];
    }
    return out;
}

QString StripSeparators(const QString& text)
{
    QString s;
    for (QChar c : text)
        if (c != u' ' && c != QChar(0x00A0) && c != QChar(0x202F))
            s += c;
    return s;
}

}  // namespace

QString FloatToText(double value)
{
    QString s = FloatToStorage(value);
    s.replace(u'.', ru::kDecimal);
    return s;
}

QString FloatToTextFormatted(double value, int decimals)
{
    char buf[128];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    QString s = QString::fromLatin1(buf, res.ptr - buf);
    bool neg = s.startsWith(u'-');
    if (neg)
        s.remove(0, 1);
    qsizetype dot = s.indexOf(u'.');
    QString intPart = dot < 0 ? s : s.left(dot);
    QString frac = dot < 0 ? QString() : s.mid(dot + 1);
    QString out = GroupThousands(intPart);
    if (!frac.isEmpty())
        out += ru::kDecimal + frac;
    bool zero = true;
    for (QChar c : intPart + frac)
        zero = zero && c == u'0';
    return (neg && !zero ? QStringLiteral("-") : QString()) + out;
}

QString IntegerToTextFormatted(qint64 value)
{
    QString digits = QString::number(value < 0 ? -static_cast<quint64>(value) : value);
    return (value < 0 ? QStringLiteral("-") : QString()) + GroupThousands(digits);
}

QString DateToText(double serial)
{
    return DateFromSerial(serial).toString(QStringLiteral("dd.MM.yyyy"));
}

QString DateTimeToText(double serial)
{
    return DateTimeFromSerial(serial).toString(QStringLiteral("dd.MM.yyyy H:mm"));
}

QString DateTimeToLongText(double serial)
{
    return DateTimeFromSerial(serial).toString(QStringLiteral("dd.MM.yyyy H:mm:ss"));
}

std::optional<double> TextToFloat(const QString& text)
{
    QString s = StripSeparators(text.trimmed());
    s.replace(ru::kDecimal, u'.');
    if (s.isEmpty())
        return std::nullopt;
    QByteArray b = s.toLatin1();
    const char* first = b.constData();
    if (*first == '+')
        ++first;
    double v = 0;
    auto res = std::from_chars(first, b.constData() + b.size(), v);
    if (res.ec != std::errc() || res.ptr != b.constData() + b.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<qint64> TextToInteger(const QString& text)
{
    QString s = StripSeparators(text.trimmed());
    bool ok = false;
    qint64 v = s.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

std::optional<double> TextToDate(const QString& text)
{
    const QString s = text.trimmed();
    for (const char* fmt : {"d.M.yyyy", "d.M.yy"}) {
        QDate d = QDate::fromString(s, QString::fromLatin1(fmt));
        if (d.isValid()) {
            if (d.year() < 1950 && QString::fromLatin1(fmt).endsWith(QStringLiteral(".yy")))
                d = d.addYears(100);
            return SerialFromDate(d);
        }
    }
    return std::nullopt;
}

std::optional<double> TextToDateTime(const QString& text)
{
    const QString s = text.trimmed();
    const qsizetype sp = s.indexOf(u' ');
    if (sp < 0)
        return TextToDate(s);
    auto date = TextToDate(s.left(sp));
    if (!date)
        return std::nullopt;
    const QString t = s.mid(sp + 1).trimmed();
    for (const char* fmt : {"H:mm:ss", "H:mm", "H:mm:ss.zzz"}) {
        QTime time = QTime::fromString(t, QString::fromLatin1(fmt));
        if (time.isValid())
            return *date + time.msecsSinceStartOfDay() / 86400000.0;
    }
    return std::nullopt;
}

TDateTime StartOfThe(TDateTime date, TDateGrp grp, int lag)
{
    const QDateTime dt = DateTimeFromSerial(date.serial);
    const QDate d = dt.date();
    QDate start;
    switch (grp) {
    case dgNone: RaiseMsg(QStringLiteral("TMain.StartOfThe: Не указана группировка даты."));
    case dgDay: {
        if (lag == 0)
            return date;
        return TDateTime{SerialFromDateTime(dt.addDays(lag))};
    }
    case dgWeek: start = d.addDays(1 - d.dayOfWeek()); break;
    case dgDecade: start = QDate(d.year(), d.month(), d.day() <= 10 ? 1 : d.day() <= 20 ? 11 : 21); break;
    case dgMonth: start = QDate(d.year(), d.month(), 1); break;
    case dgQuarter: start = QDate(d.year(), (d.month() - 1) / 3 * 3 + 1, 1); break;
    case dgHalfyear: start = QDate(d.year(), d.month() <= 6 ? 1 : 7, 1); break;
    case dgYear: start = QDate(d.year(), 1, 1); break;
    default: RaiseMsg(QStringLiteral("TMain.StartOfThe: Неизвестная группировка даты."));
    }
    if (lag != 0) {
        switch (grp) {
        case dgWeek: start = start.addDays(7LL * lag); break;
        case dgMonth: start = start.addMonths(lag); break;
        case dgQuarter: start = start.addMonths(3 * lag); break;
        case dgHalfyear: start = start.addMonths(6 * lag); break;
        case dgYear: start = start.addMonths(12 * lag); break;
        case dgDecade:
            for (int i = 0; i < std::abs(lag); ++i) {
                if (lag > 0)
                    start = start.day() == 21 ? QDate(start.year(), start.month(), 1).addMonths(1)
                                              : start.addDays(10);
                else
                    start = start.day() == 1 ? start.addDays(-1).addDays(21 - start.addDays(-1).day())
                                             : start.addDays(-10);
            }
            break;
        default: break;
        }
    }
    return TDateTime{SerialFromDate(start)};
}

}  // namespace korvanta
