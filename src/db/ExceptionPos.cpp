#include "ExceptionPos.h"

#include <vector>

namespace korvanta {

QString Format(const QString& fmt, std::initializer_list<FmtArg> args)
{
    std::vector<const FmtArg*> list;
    for (const FmtArg& a : args)
        list.push_back(&a);
    QString out;
    out.reserve(fmt.size() + 32);
    size_t next = 0;
    for (qsizetype i = 0; i < fmt.size(); ++i) {
        QChar c = fmt[i];
        if (c != u'%' || i + 1 >= fmt.size()) {
            out += c;
            continue;
        }
        qsizetype j = i + 1;
        if (fmt[j] == u'%') {
            out += u'%';
            i = j;
            continue;
        }
        // Optional explicit index "N:".
        qsizetype k = j;
        while (k < fmt.size() && fmt[k].isDigit())
            ++k;
        if (k < fmt.size() && k > j && fmt[k] == u':') {
            next = fmt.mid(j, k - j).toULongLong();
            j = k + 1;
        }
        if (j < fmt.size() && (fmt[j] == u's' || fmt[j] == u'd')) {
            if (next < list.size())
                out += list[next]->text();
            ++next;
            i = j;
            continue;
        }
        out += c;
    }
    return out;
}

ExceptionPos::ExceptionPos(QString message, QObject* parent)
    : message_(std::move(message)), utf8_(message_.toUtf8()), parent_(parent)
{
}

void RaiseMsg(const QString& message, QObject* parent)
{
    throw ExceptionPos(message, parent);
}

void RaiseMsgFmt(const QString& fmt, std::initializer_list<FmtArg> args, QObject* parent)
{
    throw ExceptionPos(Format(fmt, args), parent);
}

}  // namespace korvanta
