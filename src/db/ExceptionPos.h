#pragma once
// The system's ordinary error: a message meant for the user and, optionally,
// the control over which the message box is centred. Every refusal in the
// core raises it through RaiseMsg/RaiseMsgFmt; one handler shows it.

#include <QString>
#include <QObject>
#include <QPointer>
#include <exception>
#include <initializer_list>

namespace korvanta {

// One argument of a message format: text or number.
class FmtArg {
public:
    FmtArg(const QString& s) : text_(s), isNumber_(false) {}
    FmtArg(const char* s) : text_(QString::fromUtf8(s)), isNumber_(false) {}
    FmtArg(int v) : text_(QString::number(v)), isNumber_(true) {}
    FmtArg(long v) : text_(QString::number(v)), isNumber_(true) {}
    FmtArg(long long v) : text_(QString::number(v)), isNumber_(true) {}
    FmtArg(unsigned v) : text_(QString::number(v)), isNumber_(true) {}
    const QString& text() const { return text_; }
private:
    QString text_;
    bool isNumber_;
};

// Formats the system's message texts: "%s" and "%d" take the next argument,
// "%N:s" takes argument N and continues from N+1, "%%" is a percent sign.
QString Format(const QString& fmt, std::initializer_list<FmtArg> args);

class ExceptionPos : public std::exception {
public:
    explicit ExceptionPos(QString message, QObject* parent = nullptr);
    const char* what() const noexcept override { return utf8_.constData(); }
    const QString& message() const { return message_; }
    QObject* Parent() const { return parent_.data(); }
private:
    QString message_;
    QByteArray utf8_;
    QPointer<QObject> parent_;
};

// An exception that the application-wide handler shows as nothing: the user
// already answered or cancelled.
class SilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "silent abort"; }
};

[[noreturn]] void RaiseMsg(const QString& message, QObject* parent = nullptr);
[[noreturn]] void RaiseMsgFmt(const QString& fmt, std::initializer_list<FmtArg> args,
                              QObject* parent = nullptr);

}  // namespace korvanta
