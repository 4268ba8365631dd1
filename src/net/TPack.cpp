#include "TPack.h"

#include "db/ExceptionPos.h"

#include <charconv>

namespace korvanta {

namespace {

std::string Key(const QString& name)
{
    return name.toStdString();
}

TPack::Json& Target(TPack::Json& root, TPack::Json* obj)
{
    return obj ? *obj : root;
}

void WriteString(const std::string& utf8, QByteArray& out)
{
    static const char hex[] = "0123456789ABCDEF";
    auto unicode = [&](unsigned u) {
        out += "\\u";
        out += hex[(u >> 12) & 15];
        out += hex[(u >> 8) & 15];
        out += hex[(u >> 4) & 15];
        out += hex[u & 15];
    };
    out += '"';
    const QString text = QString::fromStdString(utf8);  // UTF-16 units, surrogate pairs included
    for (QChar qc : text) {
        const unsigned c = qc.unicode();
        switch (c) {
        case '\b': out += "\\b"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\f': out += "\\f"; break;
        case '\r': out += "\\r"; break;
        case '"': out += "\\\""; break;
        case '/': out += "\\/"; break;
        case '\\': out += "\\\\"; break;
        default:
            if (c < 32 || c > 127)
                unicode(c);
            else
                out += static_cast<char>(c);
        }
    }
    out += '"';
}

void Write(const TPack::Json& v, QByteArray& out)
{
    using T = TPack::Json::value_t;
    switch (v.type()) {
    case T::object: {
        out += '{';
        bool first = true;
        for (auto it = v.begin(); it != v.end(); ++it) {
            if (!first)
                out += ',';
            first = false;
            WriteString(it.key(), out);
            out += ':';
            Write(it.value(), out);
        }
        out += '}';
        break;
    }
    case T::array: {
        out += '[';
        bool first = true;
        for (const auto& e : v) {
            if (!first)
                out += ',';
            first = false;
            Write(e, out);
        }
        out += ']';
        break;
    }
    case T::string: WriteString(v.get_ref<const std::string&>(), out); break;
    case T::boolean: out += v.get<bool>() ? "true" : "false"; break;
    case T::number_integer: out += QByteArray::number(static_cast<qlonglong>(v.get<std::int64_t>())); break;
    case T::number_unsigned: out += QByteArray::number(static_cast<qulonglong>(v.get<std::uint64_t>())); break;
    case T::number_float: {
        char buf[64];
        auto res = std::to_chars(buf, buf + sizeof buf, v.get<double>());
        out.append(buf, res.ptr - buf);
        break;
    }
    default: out += "null"; break;
    }
}

}  // namespace

QByteArray WriteJson(const TPack::Json& value)
{
    QByteArray out;
    Write(value, out);
    return out;
}

void TPack::AddResFalse(const QString& AErrMsg)
{
    AddRes(false);
    AddErr(AErrMsg);
}

void TPack::AddStr(const QString& AName, const QString& AValue, Json* AJObject)
{
    Target(JObject, AJObject)[Key(AName)] = AValue.toStdString();
}

void TPack::AddInt(const QString& AName, qint64 AValue, Json* AJObject)
{
    Target(JObject, AJObject)[Key(AName)] = static_cast<std::int64_t>(AValue);
}

void TPack::AddBool(const QString& AName, bool AValue, Json* AJObject)
{
    Target(JObject, AJObject)[Key(AName)] = AValue;
}

void TPack::AddDate(const QString& AName, TDateTime AValue, Json* AJObject)
{
    Target(JObject, AJObject)[Key(AName)] = AValue.serial;
}

TPack::Json& TPack::AddArray(const QString& AName, Json* AJObject)
{
    Json& slot = Target(JObject, AJObject)[Key(AName)];
    slot = Json::array();
    return slot;
}

const TPack::Json& TPack::Pair(const QString& AName, const Json* AJObject) const
{
    const Json& obj = AJObject ? *AJObject : JObject;
    auto it = obj.is_object() ? obj.find(Key(AName)) : obj.end();
    if (!obj.is_object() || it == obj.end())
        RaiseMsgFmt(QStringLiteral("В пакете нет значения \"%s\"."), {AName});
    return *it;
}

bool TPack::HasPair(const QString& AName, const Json* AJObject) const
{
    const Json& obj = AJObject ? *AJObject : JObject;
    return obj.is_object() && obj.contains(Key(AName));
}

bool TPack::GetRes() const
{
    return HasPair(QStringLiteral("Res")) && Pair(QStringLiteral("Res"), nullptr).is_boolean() &&
           Pair(QStringLiteral("Res"), nullptr).get<bool>();
}

QString TPack::GetStr(const QString& AName, const Json* AJObject) const
{
    const Json& v = Pair(AName, AJObject);
    if (v.is_string())
        return QString::fromStdString(v.get<std::string>());
    return QString::fromUtf8(WriteJson(v));
}

qint64 TPack::GetInt(const QString& AName, const Json* AJObject) const
{
    const Json& v = Pair(AName, AJObject);
    if (v.is_number_integer())
        return v.get<std::int64_t>();
    if (v.is_number_float())
        return static_cast<qint64>(v.get<double>());
    RaiseMsgFmt(QStringLiteral("Значение \"%s\" в пакете не является числом."), {AName});
}

bool TPack::GetBool(const QString& AName, const Json* AJObject) const
{
    const Json& v = Pair(AName, AJObject);
    return v.is_boolean() && v.get<bool>();
}

TDateTime TPack::GetDate(const QString& AName, const Json* AJObject) const
{
    const Json& v = Pair(AName, AJObject);
    if (!v.is_number())
        RaiseMsgFmt(QStringLiteral("Значение \"%s\" в пакете не является датой."), {AName});
    return TDateTime{v.get<double>()};
}

const TPack::Json& TPack::GetArray(const QString& AName, const Json* AJObject) const
{
    const Json& v = Pair(AName, AJObject);
    if (!v.is_array())
        RaiseMsgFmt(QStringLiteral("Значение \"%s\" в пакете не является массивом."), {AName});
    return v;
}

QString TPack::GetAsString() const
{
    return QString::fromLatin1(ToBytes());
}

QByteArray TPack::ToBytes() const
{
    return WriteJson(JObject);
}

void TPack::SetAsString(const QString& Value)
{
    Json parsed;
    try {
        parsed = Json::parse(Value.toStdString());
    } catch (const Json::exception& e) {
        RaiseMsg(QStringLiteral("Ошибка создания JSON-объекта из строки: ") + QString::fromUtf8(e.what()));
    }
    if (!parsed.is_object())
        RaiseMsg(Value);
    JObject = std::move(parsed);
}

}  // namespace korvanta
