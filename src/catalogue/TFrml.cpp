// Formula trees: the configurator's text and the validity rules.
#include "TObj.h"

#include "db/ExceptionPos.h"
#include "db/TDB.h"

namespace korvanta {

namespace {
bool IsArith(TFrmlFunc f)
{
    return f == ffAdd || f == ffDed || f == ffMul || f == ffDiv;
}
}  // namespace

std::unique_ptr<TFrmlIt> TFrmlIt::Clone() const
{
    auto n = std::make_unique<TFrmlIt>();
    for (const TObjFld& f : Flds())
        n->AddFld(f.Field, f.value);
    n->Func = Func;
    n->FldValue = FldValue;
    n->ConstType = ConstType;
    n->ConstValue = ConstValue;
    n->Path = Path;
    for (const auto& c : FrmlItList) {
        auto child = c->Clone();
        child->Parent = n.get();
        n->FrmlItList.push_back(std::move(child));
    }
    return n;
}

QString TFrmlIt::FuncName(TDB& db) const
{
    try {
        return db.FrmlFuncToName(Func);
    } catch (const ExceptionPos&) {
        return QString::number(static_cast<int>(Func));
    }
}

QString TFrmlIt::Text(TDB& db, bool AFull) const
{
    if (!IsFunc()) {
        if (FldValue)
            return Path.TextPath() + FldValue->Name();
        if (ConstType == ftStr)
            return u'\'' + ConstValue.asString() + u'\'';
        return ConstValue.isNull() || ConstType == ftNone ? ConstValue.asString()
                                                          : db.VarToStrByFldType(ConstValue, ConstType, false);
    }
    const QString name = FuncName(db);
    if (FrmlItList.empty() || !AFull)
        return name;
    auto child = [&](size_t i) { return FrmlItList[i]->Text(db, AFull); };
    auto join = [&](const QString& op, const std::function<bool(const TFrmlIt&, size_t)>& paren) {
        QStringList parts;
        for (size_t i = 0; i < FrmlItList.size(); ++i) {
            const QString t = child(i);
            parts << (paren(*FrmlItList[i], i) ? u'(' + t + u')' : t);
        }
        return parts.join(op);
    };
    auto args = [&] {
        QStringList parts;
        for (size_t i = 0; i < FrmlItList.size(); ++i)
            parts << child(i);
        return name + u'(' + parts.join(u';') + u')';
    };
    auto binary = [&](const char* op) {
        return child(0) + QString::fromUtf8(op) + (FrmlItList.size() > 1 ? child(1) : QString());
    };
    switch (Func) {
    case ffAdd: return join(QStringLiteral(" + "), [](const TFrmlIt&, size_t) { return false; });
    case ffDed:
        return join(QStringLiteral(" - "),
                    [](const TFrmlIt& c, size_t) { return c.Func == ffAdd || c.Func == ffDed; });
    case ffMul: return join(QStringLiteral(" * "), [](const TFrmlIt& c, size_t) { return IsArith(c.Func); });
    case ffDiv: return join(QStringLiteral(" / "), [](const TFrmlIt& c, size_t) { return IsArith(c.Func); });
    case ffAnd:
    case ffOr:
        return join(Func == ffAnd ? QStringLiteral(" и ") : QStringLiteral(" или "),
                    [](const TFrmlIt& c, size_t) { return c.FrmlItList.size() >= 2; });
    case ffEqual: return binary(" = ");
    case ffGreater: return binary(" > ");
    case ffGreaterEqual: return binary(" >= ");
    case ffLess: return binary(" < ");
    case ffLessEqual: return binary(" <= ");
    case ffContaining: return binary(" содержится в ");
    case ffRate:
    case ffIf:
    case ffEmpty:
    case ffNot:
    case ffSimpleRoundTo:
    case ffPercent:
    case ffNumberPercent:
    case ffDayOf:
    case ffWeekOf:
    case ffMonthOf:
    case ffYearOf:
    case ffInc: return args();
    default: RaiseMsgFmt(QStringLiteral("TFrmlIt.Text: Неизвестная функция \"%s\"."), {name});
    }
}

bool TFrml::isValid(TDB& db, const TFrmlIt*& ErrFrmlIt, QString& ErrMsg) const
{
    std::function<bool(const TFrmlIt&)> check = [&](const TFrmlIt& n) {
        auto fail = [&](const QString& msg) {
            ErrFrmlIt = &n;
            ErrMsg = msg;
            return false;
        };
        const size_t count = n.FrmlItList.size();
        if (n.IsFunc()) {
            switch (n.Func) {
            case ffAdd:
            case ffDed:
            case ffMul:
            case ffDiv:
            case ffAnd:
            case ffOr:
                if (count < 2)
                    return fail(QStringLiteral("У функции должно быть 2 параметра или больше."));
                break;
            case ffCurD:
            case ffCurDT:
            case ffCurU:
            case ffParId:
                if (count != 0)
                    return fail(QStringLiteral("У функции не должно быть параметров."));
                break;
            case ffIf:
                if (count != 3)
                    return fail(QStringLiteral("У функции должно быть 3 параметра."));
                break;
            case ffEmpty:
            case ffNot:
            case ffDayOf:
            case ffWeekOf:
            case ffMonthOf:
            case ffYearOf:
            case ffInc:
                if (count != 1)
                    return fail(QStringLiteral("У функции должен быть 1 параметр."));
                break;
            case ffRate:
            case ffEqual:
            case ffGreater:
            case ffGreaterEqual:
            case ffLess:
            case ffLessEqual:
            case ffContaining:
            case ffSimpleRoundTo:
            case ffPercent:
            case ffNumberPercent:
                if (count != 2)
                    return fail(QStringLiteral("У функции должно быть 2 параметра."));
                break;
            default: return fail(QStringLiteral("Для этой функции забыли добавить проверки."));
            }
            if (n.Func == ffParId && n.Parent)
                return fail(QStringLiteral("Функция может быть только корневым элементом иерархии формулы."));
            if (n.Func == ffInc) {
                const TFrmlIt& a = *n.FrmlItList[0];
                if (!a.IsField())
                    return fail(QStringLiteral("У функции параметром должно быть поле."));
                if (a.Path.empty())
                    return fail(QStringLiteral("У функции параметром должно быть поле родительского объекта."));
                if (a.FldValue->FldType() != ftInteg)
                    return fail(Format(QStringLiteral("У функции параметром должно быть поле типа \"%s\"."),
                                       {db.FldTypeToName(ftInteg)}));
                if (a.FldValue->TriDst() > 0)
                    return fail(QStringLiteral("У функции параметром не может быть поле-приемник."));
            }
        } else if (n.IsField()) {
            if (count != 0)
                return fail(QStringLiteral("У поля не должно быть параметров."));
        } else if (count != 0) {
            return fail(QStringLiteral("У константы не должно быть параметров."));
        }
        for (const auto& c : n.FrmlItList)
            if (!check(*c))
                return false;
        return true;
    };
    return !RootFrmlIt || check(*RootFrmlIt);
}

bool TFrml::HasExtFld() const
{
    std::function<bool(const TFrmlIt&)> any = [&](const TFrmlIt& n) {
        if (n.FrmlItList.empty())
            return n.IsField();
        for (const auto& c : n.FrmlItList)
            if (any(*c))
                return true;
        return false;
    };
    return RootFrmlIt && any(*RootFrmlIt);
}

}  // namespace korvanta
