#pragma once
// The system's fixed vocabularies. The program knows each member by its SID;
// the database gives it a numeric code and a display name (tables FLDTYPE,
// FKRULE, ...). Lookups live in TDB; EnumTable holds one table's records.

#include "Value.h"

#include <QString>
#include <functional>
#include <vector>

namespace korvanta {

enum TFldType { ftNone, ftPK, ftStr, ftFK, ftBool, ftInteg, ftNum182, ftNum183, ftNum184, ftDate, ftDateTime };
enum TFKRule { fkNone, fkNoAction, fkCascade, fkSetNull };
enum TFrmlFunc {
    ffNone, ffAdd, ffDed, ffMul, ffDiv, ffRate, ffCurD, ffCurDT, ffCurU, ffParId, ffIf, ffAnd, ffOr,
    ffEqual, ffGreater, ffGreaterEqual, ffLess, ffLessEqual, ffEmpty, ffContaining, ffNot,
    ffSimpleRoundTo, ffPercent, ffNumberPercent, ffDayOf, ffWeekOf, ffMonthOf, ffYearOf, ffInc
};
enum TFltrItType {
    fitNone, fitAnd, fitOr, fitEqual, fitGreater, fitGreaterEqual, fitLess, fitLessEqual, fitEmpty,
    fitContaining, fitBetween, fitIn, fitExist
};
enum TFltrItTypeOfValue { fitvNone, fitvConst, fitvFunc, fitvField };
enum TFltrItFn { fifNone, fifCurDT, fifCurD, fifBegD, fifBegW, fifBegTd, fifBegM, fifBegQ, fifBegHy, fifBegY, fifCurU };
enum TCtrlType {
    ctNone, ctRoot, ctPageCon, ctTab, ctStrEdit, ctStrMemo, ctStrSkype, ctStrFile, ctStrSite,
    ctStrEmail, ctStrPhone, ctInteg, ctNum182, ctNum183, ctNum184, ctObjEditBtn, ctObjComboBox,
    ctDate, ctDateTime, ctCheckBx, ctLabel, ctButtn
};
enum TAcc { aNone, aNoAcc, aAsGroup, aReadTbl, aReadCrd, aEdit, aFull, aDetail };
enum TAccF { afNone, afNoAcc, afAsGroup, afTemp, afTempDef, afPerm, afPermDef, afPermDefHide, afDetail };
enum TDateGrp { dgNone, dgDay, dgWeek, dgDecade, dgMonth, dgQuarter, dgHalfyear, dgYear };
enum TTriType { ttAddSum, ttDedSum, ttAddCnt, ttDedCnt, ttAdd, ttDed, ttMul, ttDiv };

// One enumeration: its table, the SIDs in member order and its messages.
struct EnumSpec {
    QString table;
    std::vector<QString> sids;  // in registration order
    int firstMember = 1;        // 0 for trigger types, which have no "none"
    std::vector<int> members;   // member of each SID; empty: firstMember, firstMember + 1, ...
    bool skipUnknownRows = false;
    QString noneName;           // name of member 0
    QString loadMsg;            // row with an unknown SID
    QString codeMsg;            // code -> member, "%d"
    QString toCodeMsg;          // member -> code
    QString toNameMsg;          // member -> name
};

struct EnumRecord {
    qint64 Id = 0;  // 0: the database has no row for this SID
    QString SId;
    int member = 0;
    QString Name;
    QString Short;     // DATEGRP_SHORT
    QString SQL;       // FKRULE_SQL
    qint64 ColWidth = 0;  // FLDTYPE_COLWIDTH
    qint64 Len = 0;       // FLDTYPE_LEN
};

class FbStatement;

// The records of one enumeration, loaded from its table on first use.
class EnumTable {
public:
    explicit EnumTable(EnumSpec spec);

    const EnumSpec& spec() const { return spec_; }
    bool loaded() const { return loaded_; }
    // Reads "select * from TABLE" through the given statement (read transaction).
    void Load(FbStatement& stmt);
    void Unload() { loaded_ = false; }

    // The record of a member, or null when the member is not in the table.
    const EnumRecord* Find(int member) const;
    // The member whose code is given; fails with codeMsg.
    int MemberOf(qint64 code) const;
    // Record of a member with a database row; fails with msg.
    const EnumRecord& Require(int member, const QString& msg) const;

private:
    EnumSpec spec_;
    std::vector<EnumRecord> recs_;
    bool loaded_ = false;
};

// The eleven enumerations, in the order TDB registers them.
EnumSpec FldTypeSpec();
EnumSpec FKRuleSpec();
EnumSpec FrmlFuncSpec();
EnumSpec FltrItTypeSpec();
EnumSpec FltrItTypeOfValueSpec();
EnumSpec FltrItFnSpec();
EnumSpec CtrlTypeSpec();
EnumSpec AccSpec();
EnumSpec AccFSpec();
EnumSpec DateGrpSpec();
EnumSpec TriTypeSpec();

}  // namespace korvanta
