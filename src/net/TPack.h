#pragma once
// One packet of the server protocol: a JSON object whose pairs keep the order
// in which they were added. Written as compact ASCII JSON (every other
// character as \uXXXX), so the bytes survive any code page.

#include "db/Value.h"

#include <QByteArray>
#include <QString>
#include <nlohmann/json.hpp>

namespace korvanta {

class TPack {
public:
    using Json = nlohmann::ordered_json;

    Json JObject = Json::object();

    void AddCom(const QString& AValue) { AddStr(QStringLiteral("Com"), AValue); }
    void AddRes(bool AValue) { AddBool(QStringLiteral("Res"), AValue); }
    void AddResTrue() { AddRes(true); }
    void AddResFalse(const QString& AErrMsg);
    void AddErr(const QString& AValue) { AddStr(QStringLiteral("ErrMsg"), AValue); }
    void AddStr(const QString& AName, const QString& AValue, Json* AJObject = nullptr);
    void AddInt(const QString& AName, qint64 AValue, Json* AJObject = nullptr);
    void AddBool(const QString& AName, bool AValue, Json* AJObject = nullptr);
    void AddDate(const QString& AName, TDateTime AValue, Json* AJObject = nullptr);
    // Adds an empty array and returns it (owned by the packet).
    Json& AddArray(const QString& AName, Json* AJObject = nullptr);

    QString GetCom() const { return GetStr(QStringLiteral("Com")); }
    QString GetErr() const { return GetStr(QStringLiteral("ErrMsg")); }
    bool GetRes() const;
    QString GetStr(const QString& AName, const Json* AJObject = nullptr) const;
    qint64 GetInt(const QString& AName, const Json* AJObject = nullptr) const;
    bool GetBool(const QString& AName, const Json* AJObject = nullptr) const;
    TDateTime GetDate(const QString& AName, const Json* AJObject = nullptr) const;
    const Json& GetArray(const QString& AName, const Json* AJObject = nullptr) const;
    bool HasPair(const QString& AName, const Json* AJObject = nullptr) const;

    QString GetAsString() const;
    QString ToString() const { return GetAsString(); }
    // Replaces the object by the parse of a text.
    void SetAsString(const QString& Value);
    QByteArray ToBytes() const;

private:
    const Json& Pair(const QString& AName, const Json* AJObject) const;
};

// Compact JSON with the protocol's escapes: \b \t \n \f \r \" \/ \\ and
// \uXXXX (upper-case hex, surrogate pairs) for everything outside 32..127.
QByteArray WriteJson(const TPack::Json& value);

}  // namespace korvanta
