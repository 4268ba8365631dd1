#pragma once
// The generator of every statement that reads or writes user data: select,
// count, insert, update and delete for one object, joins along link paths,
// the current user's row-level rights, filters as the where clause, and the
// binding of their parameters. Building a statement never changes the builder.

#include "TFltr.h"

#include <memory>
#include <vector>

namespace korvanta {

struct TJoin {
    int Index = 0;
    TObj* Obj = nullptr;
    TJoin* Join = nullptr;   // the join it hangs from; none for the root
    TFld* JoinFld = nullptr; // the link field of Join->Obj through which it is reached
    bool Left = false;
    virtual ~TJoin() = default;
};

// A join to a rights table, matched by two columns.
struct TJoinAcc : TJoin {
    TFld* FKFld1 = nullptr;
    TFld* FKFld2 = nullptr;
    TJoin* Join1 = nullptr;
    TJoin* Join2 = nullptr;
    TFld* Join2Fld = nullptr;
    qint64 Value1 = 0, Value2 = 0;
    enum class Kind { UOA, UUA, USR, UGA } kind = Kind::UOA;
};

struct TSQLFld {
    TFld* Fld = nullptr;
    TJoin* Join = nullptr;
    QString AliasField() const;
};

// A column of a table layout as the builder needs it (the layouts fill it).
struct TTblColumn {
    TFld* Fld = nullptr;
    Value SortPos;      // not Null on the sort column
    bool Desc = false;
    int ColNum = -1;    // set by AddTbl: the select position
    std::vector<std::unique_ptr<TTblColumn>> Children;
};

class TSQL {
public:
    explicit TSQL(TObjList& list);
    ~TSQL();

    TObj* Obj() const { return obj_; }
    void SetObj(TObj* AObj);

    bool NoAcc = false;
    bool SkipReadAcc = false;

    TJoin* AddJoin(TFld* AFld, const TFldList& APath, int SkipFirstPath = 0);
    TJoin* AddJoin(TObj* AObj);
    int AddSelFld(TFld* AFld, TJoin* AJoin);
    int AddFld(TFld* AFld);
    void AddAllFld();
    void AddTbl(TFld* APKFld, TTblColumn& ATblTree);
    void AddFltr(TFltr* AFltr);
    void ExtractFltr(TFltr* AFltr);
    void AddHideFltrs();

    QString GetSelectSQL(bool ASort, bool ACount = false) const;
    QString GetInsertSQL() const;
    QString GetUpdateSQL() const;
    QString GetDeleteSQL() const;
    // Binds the parameters of every filter on a prepared statement.
    void SetFltrParams(FbStatement& AIBSQL) const;
    void AddSQLSelectFields(QStringList& ASL) const;

    const std::vector<std::unique_ptr<TJoin>>& JoinList() const { return joins_; }
    const std::vector<std::unique_ptr<TJoinAcc>>& JoinAccList() const { return accJoins_; }
    const std::vector<TSQLFld>& SQLFldList() const { return flds_; }
    const std::vector<TFltr*>& FltrList() const { return fltrs_; }
    TJoin* Root() const { return joins_.empty() ? nullptr : joins_.front().get(); }
    const TFltr& AccFltr() const { return *accFltr_; }

    int PKSQLFldIndex = -1, OwnSQLFldIndex = -1, GrpAccSQLFldIndex = -1, UsrAccSQLFldIndex = -1;
    TSQLFld SortSQLFld;
    bool SortDesc = false;

private:
    void Reset();
    void RequireObj() const;
    int NextJoin() { return ++LastJoinIndex; }
    TJoin* FollowLink(TFld* AFld, TJoin* AJoin);
    void WalkTbl(TTblColumn& AItem, TJoin* AJoin);
    TJoinAcc* AddAccJoin(TObj* AObj, TJoinAcc::Kind kind, bool left);
    void BuildAccFltr(TFld* owner, TJoinAcc* A, TJoinAcc* B, TJoinAcc* D);
    void AddWhere(QStringList& lines, bool withAcc) const;
    void AddSQLFltrIt(QStringList& lines, const TFltrIt& node, const QString& indent) const;
    TDB& db() const { return list_.db(); }

    TObjList& list_;
    TObj* obj_ = nullptr;
    std::vector<std::unique_ptr<TJoin>> joins_;
    std::vector<std::unique_ptr<TJoinAcc>> accJoins_;
    std::vector<TSQLFld> flds_;
    std::vector<TFltr*> fltrs_;
    std::unique_ptr<TFltrList> hideFltrs_;
    std::unique_ptr<TFltr> accFltr_;
    int LastJoinIndex = -1;
    int LastParamIndex = -1;
};

// The date group of a date function of filters.
TDateGrp FltrItToDateGrp(TFltrItFn AFn);

}  // namespace korvanta
