#include "CreateDatabase.h"

#include "Identifiers.h"
#include "SystemTables.h"
#include "TDB.h"

#include <QFileInfo>
#include <map>

namespace korvanta {

namespace {

QString ColumnDefinition(const SysColumn& c)
{
    const QString notNull = c.notNull ? QStringLiteral("not null") : QString();
    const QString def0 = c.def0 ? QStringLiteral("default 0") : QString();
    switch (c.type) {
    case ColType::PK: return QStringLiteral("PK NOT NULL");
    case ColType::Str:
        return Format(QStringLiteral("varchar(%d) character set UTF8 %s collate UNICODE_CI"), {c.len, notNull});
    case ColType::FK: return Format(QStringLiteral("FK %s"), {notNull});
    case ColType::Bool: return Format(QStringLiteral("BOOL %s %s"), {def0, notNull});
    case ColType::Integ: return Format(QStringLiteral("INTEG %s %s"), {def0, notNull});
    case ColType::Num182: return Format(QStringLiteral("NUM182 %s %s"), {def0, notNull});
    case ColType::Num183: return Format(QStringLiteral("NUM183 %s %s"), {def0, notNull});
    case ColType::Num184: return Format(QStringLiteral("NUM184 %s %s"), {def0, notNull});
    case ColType::Date: return Format(QStringLiteral("DATE %s"), {notNull});
    case ColType::Timestamp: return Format(QStringLiteral("TIMESTAMP %s"), {notNull});
    }
    return QString();
}

// Writes rows with explicit keys, one prepared statement per column set.
class RowWriter {
public:
    RowWriter(FbAttachment& att, FbTransaction& tra) : att_(att), tra_(tra) {}
    void Insert(const QString& table, const QStringList& cols, const ValueList& values)
    {
        CheckIdent(table);
        for (const QString& c : cols)
            CheckIdent(c);
        const QString key = table + u'|' + cols.join(u',');
        auto& stmt = stmts_[key];
        if (!stmt) {
            stmt = std::make_unique<FbStatement>(att_, tra_);
            QStringList params;
            for (const QString& c : cols)
                params << u':' + c;
            stmt->SetSQL(Format(QStringLiteral("insert into %s (%s) values (%s)"),
                                {table, cols.join(QStringLiteral(", ")), params.join(QStringLiteral(", "))}));
        }
        for (qsizetype i = 0; i < cols.size(); ++i)
            stmt->SetParam(cols[i], values[i]);
        stmt->ExecQuery();
        stmt->Close();
        ++rows_;
    }
    int rows() const { return rows_; }
    void Clear() { stmts_.clear(); }

private:
    FbAttachment& att_;
    FbTransaction& tra_;
    std::map<QString, std::unique_ptr<FbStatement>> stmts_;
    int rows_ = 0;
};

class Builder {
public:
    Builder(FbAttachment& att, int version) : att_(att), version_(version) {}

    void Run(const std::function<void(const QString&)>& report)
    {
        AssignKeys();
        Stage([&] { CreateDomains(); });
        Stage([&] { CreateTables(); });
        Stage([&] { CreateConstraints(); });
        Stage([&] { CreateTriggers(); });
        if (report)
            report(Format(QStringLiteral("Созданы системные таблицы: %d, поля: %d, связи: %d."),
                          {tableCount_, fldCount_, depCount_}));
        int rows = 0;
        Stage([&] { rows = WriteRows(); });
        Stage([&] { RestartSequences(); });
        if (report)
            report(Format(QStringLiteral("Записано строк: %d (версия базы %d)."), {rows, version_}));
    }

private:
    struct FldKey {
        int fldId;
        int objId;
    };

    template <typename F>
    void Stage(F&& f)
    {
        FbTransaction tra(att_, TransactionKind::Change);
        tra.Start();
        tra_ = &tra;
        f();
        tra.Commit();
        tra_ = nullptr;
    }

    void Exec(const QString& sql)
    {
        FbStatement s(att_, *tra_);
        s.SetRawSQL(sql);
        s.ExecQuery();
    }

    std::vector<const SysTable*> Tables() const
    {
        std::vector<const SysTable*> out;
        for (const SysTable& t : SystemTables())
            if (t.existsAt(version_))
                out.push_back(&t);
        return out;
    }

    // Keys of the describing FLD rows: the columns of the oldest format first,
    // then those each later version added, in the order of the description.
    void AssignKeys()
    {
        int next = 1;
        for (int ver = 1; ver <= version_; ++ver)
            for (const SysTable* t : Tables()) {
                if (t->since == ver)
                    fldId_[t->keyColumn() + u'.' + t->table] = next++;
                for (const SysColumn& c : t->columns)
                    if (c.existsAt(version_) && std::max(c.since, t->since) == ver)
                        fldId_[t->table + u'.' + c.name] = next++;
            }
        fldCount_ = next - 1;
        int dep = 1;
        for (const SysTable* t : Tables())
            for (const SysColumn& c : t->columns)
                if (c.existsAt(version_) && c.type == ColType::FK)
                    depId_[t->table + u'.' + c.name] = dep++;
        depCount_ = dep - 1;
        tableCount_ = static_cast<int>(Tables().size());
    }

    int FldId(const SysTable& t, const QString& column) const
    {
        if (column == t.keyColumn())
            return fldId_.at(column + u'.' + t.table);
        return fldId_.at(t.table + u'.' + column);
    }

    void CreateDomains()
    {
        Exec(QStringLiteral("create domain PK as integer"));
        Exec(QStringLiteral("create domain FK as integer"));
        Exec(QStringLiteral("create domain BOOL as smallint check (value is null or value in (0, 1))"));
        Exec(QStringLiteral("create domain INTEG as integer"));
        Exec(QStringLiteral("create domain NUM182 as numeric(18, 2)"));
        Exec(QStringLiteral("create domain NUM183 as numeric(18, 3)"));
        Exec(QStringLiteral("create domain NUM184 as numeric(18, 4)"));
    }

    // One statement per table, so that no table starts with a string of formats.
    void CreateTables()
    {
        for (const SysTable* t : Tables()) {
            const QString key = t->keyColumn();
            CheckIdents({t->table, key, QStringLiteral("PK_") + key});
            QStringList lines{Format(QStringLiteral("  %s PK NOT NULL"), {key})};
            for (const SysColumn& c : t->columns)
                if (c.existsAt(version_)) {
                    CheckIdent(c.name);
                    lines << Format(QStringLiteral("  %s %s"), {c.name, ColumnDefinition(c)});
                }
            lines << Format(QStringLiteral("  constraint PK_%s primary key (%s)"), {key, key});
            Exec(Format(QStringLiteral("create table %s (\n%s\n)"), {t->table, lines.join(QStringLiteral(",\n"))}));
            Exec(Format(QStringLiteral("create sequence %s"), {key}));
        }
    }

    void CreateConstraints()
    {
        for (const SysTable* t : Tables()) {
            for (const SysColumn& c : t->columns) {
                if (!c.existsAt(version_) || c.type != ColType::FK)
                    continue;
                const SysTable* parent = FindSystemTable(c.refTable);
                const QString name = QStringLiteral("FK_") + t->table + u'_' + c.name;
                CheckIdent(name);
                Exec(Format(QStringLiteral("alter table %0:s add constraint %1:s\r"
                                           "foreign key (%2:s) references %3:s(%4:s)\r"
                                           "on delete %5:s on update %6:s"),
                            {t->table, name, c.name, parent->table, parent->keyColumn(),
                             FKRuleSqlOf(RuleSid(c.onDelete)), c.onUpdate}));
            }
            for (const SysUnique& u : t->uniques) {
                CheckIdent(u.name);
                QStringList cols;
                for (const QString& c : u.columns)
                    cols << c;
                Exec(Format(QStringLiteral("alter table %s add constraint %s unique (%s)"),
                            {t->table, u.name, cols.join(QStringLiteral(", "))}));
            }
        }
    }

    static const char* RuleSid(TFKRule r)
    {
        return r == fkCascade ? "Cascade" : r == fkSetNull ? "SetNull" : "NoAction";
    }

    static int RuleCode(TFKRule r) { return r == fkCascade ? 2 : r == fkSetNull ? 3 : 1; }

    // The links from TRI to FLD whose counts FLD keeps, with the counter column.
    std::vector<std::pair<QString, QString>> CountedLinks() const
    {
        std::vector<std::pair<QString, QString>> out{{QStringLiteral("SFLD_ID"), QStringLiteral("FLD_TRISRC")},
                                                     {QStringLiteral("DFLD_ID"), QStringLiteral("FLD_TRIDST")}};
        if (version_ >= 11)
            out.push_back({QStringLiteral("S2FLD_ID"), QStringLiteral("FLD_TRISRC2")});
        return out;
    }

    void CreateTriggers()
    {
        // Counts of triggers per field, kept by the database itself.
        for (const auto& [link, counter] : CountedLinks()) {
            const int dep = depId_.at(QStringLiteral("TRI.") + link);
            for (const auto& [suffix, event, row, op] :
                 {std::tuple{"AI", "insert", "NEW", "+"}, std::tuple{"AD", "delete", "OLD", "-"}}) {
                QStringList lines{
                    Format(QStringLiteral("create trigger CNT_%s_%d%s for TRI"), {counter, dep, suffix}),
                    Format(QStringLiteral("active after %s position 0"), {event}),
                    QStringLiteral("as"),
                    QStringLiteral("begin"),
                    Format(QStringLiteral("  if (%s.%s is not null) then"), {row, link}),
                    QStringLiteral("    update FLD T"),
                    Format(QStringLiteral("    set T.%s = coalesce(T.%s, 0) %s 1"), {counter, counter, op}),
                    Format(QStringLiteral("    where T.FLD_ID = %s.%s;"), {row, link}),
                    QStringLiteral("end")};
                Exec(lines.join(u'\n'));
            }
        }
        if (version_ >= 7) {
            // Deleting an object deletes its document templates.
            QStringList lines{QStringLiteral("create trigger FK_OBJ_TMDC for OBJ"),
                              QStringLiteral("active before delete position 0"),
                              QStringLiteral("as"),
                              QStringLiteral("begin"),
                              QStringLiteral("  delete"),
                              QStringLiteral("  from TMDC"),
                              QStringLiteral("  where OBJ_ID = OLD.OBJ_ID;"),
                              QStringLiteral("end")};
            Exec(lines.join(u'\n'));
        }
    }

    int WriteRows()
    {
        RowWriter w(att_, *tra_);
        WriteEnums(w);
        WriteObjects(w);
        WriteInfo(w);
        w.Clear();
        return w.rows();
    }

    void WriteEnums(RowWriter& w)
    {
        for (const SysEnum& e : SystemEnums()) {
            const SysTable* t = FindSystemTable(e.table);
            if (!t->existsAt(version_))
                continue;
            const QString p = e.table;
            for (const SysEnumRow& r : e.rows) {
                if (r.since > version_)
                    continue;
                QStringList cols{p + QStringLiteral("_ID"), p + QStringLiteral("_SID"), p + QStringLiteral("_NAME")};
                ValueList vals{r.id, QString::fromUtf8(r.sid), QString::fromUtf8(r.name)};
                if (p == u"FLDTYPE") {
                    for (const FldTypeExtra& x : FldTypeExtras())
                        if (qstrcmp(x.sid, r.sid) == 0) {
                            cols << QStringLiteral("FLDTYPE_COLWIDTH") << QStringLiteral("FLDTYPE_LEN")
                                 << QStringLiteral("FLDTYPE_FRML");
                            vals.push_back(x.colWidth);
                            vals.push_back(x.len ? Value(x.len) : Value());
                            vals.push_back(x.frml ? 1 : 0);
                        }
                } else if (p == u"FKRULE") {
                    cols << QStringLiteral("FKRULE_SQL");
                    vals.push_back(FKRuleSqlOf(r.sid));
                } else if (p == u"DATEGRP") {
                    cols << QStringLiteral("DATEGRP_SHORT");
                    vals.push_back(DateGrpShortOf(r.sid));
                }
                w.Insert(p, cols, vals);
            }
        }
    }

    void WriteObjects(RowWriter& w)
    {
        const QStringList objCols{
            QStringLiteral("OBJ_ID"), QStringLiteral("OBJ_TABLE"), QStringLiteral("OBJ_NAME"),
            QStringLiteral("OBJ_NAME2"), QStringLiteral("OBJ_REF"), QStringLiteral("OBJ_SYS"),
            QStringLiteral("OBJ_META"), QStringLiteral("OBJ_NOMENU"), QStringLiteral("OBJ_TREE"),
            QStringLiteral("OBJ_HASTREE"), QStringLiteral("OBJ_HASTMPL"), QStringLiteral("OBJ_TMPL")};
        for (const SysTable* t : Tables()) {
            const bool tmpl = !t->tmplColumn.isEmpty();
            w.Insert(QStringLiteral("OBJ"), objCols,
                     {t->objId, t->table, t->name, t->name2, t->ref ? 1 : 0, 1, t->meta ? 1 : 0,
                      t->noMenu ? 1 : 0, t->tree ? 1 : 0, t->hasTree ? 1 : 0, tmpl ? 1 : 0,
                      tmpl ? Value(QStringLiteral("%s")) : Value()});
        }
        const QStringList fldCols{
            QStringLiteral("FLD_ID"), QStringLiteral("OBJ_ID"), QStringLiteral("FLD_FIELD"),
            QStringLiteral("FLD_NAME"), QStringLiteral("FLDTYPE_ID"), QStringLiteral("FLD_LEN"),
            QStringLiteral("FLD_NOTNULL"), QStringLiteral("FLD_DEF0"), QStringLiteral("FLD_SYS"),
            QStringLiteral("FLD_NOTBL"), QStringLiteral("FLD_NOCRD"), QStringLiteral("FLD_SID")};
        for (const SysTable* t : Tables()) {
            w.Insert(QStringLiteral("FLD"), fldCols,
                     {FldId(*t, t->keyColumn()), t->objId, t->keyColumn(), QStringLiteral("Код"), 1, Value(), 1, 0,
                      1, 0, 0, Value()});
            for (const SysColumn& c : t->columns) {
                if (!c.existsAt(version_))
                    continue;
                w.Insert(QStringLiteral("FLD"), fldCols,
                         {FldId(*t, c.name), t->objId, c.name, c.caption, FldTypeCodeOf(c.type),
                          c.type == ColType::Str ? Value(c.len) : Value(), c.notNull ? 1 : 0, c.def0 ? 1 : 0, 1,
                          c.noTbl ? 1 : 0, c.noCrd ? 1 : 0, c.sid.isEmpty() ? Value() : Value(c.sid)});
            }
        }
        const QStringList depCols{QStringLiteral("DEP_ID"),  QStringLiteral("OBJ_ID"),  QStringLiteral("FLD_ID"),
                                  QStringLiteral("FKRULE_ID"), QStringLiteral("DEP_SYS"), QStringLiteral("DEP_DELTR")};
        for (const SysTable* t : Tables())
            for (const SysColumn& c : t->columns) {
                if (!c.existsAt(version_) || c.type != ColType::FK)
                    continue;
                const bool delTr = version_ >= 7 && t->table == u"TMDC" && c.name == u"OBJ_ID";
                w.Insert(QStringLiteral("DEP"), depCols,
                         {depId_.at(t->table + u'.' + c.name), FindSystemTable(c.refTable)->objId,
                          FldId(*t, c.name), RuleCode(c.onDelete), 1, delTr ? 1 : 0});
            }
        int objValue = 0;
        for (const SysTable* t : Tables())
            if (!t->tmplColumn.isEmpty())
                w.Insert(QStringLiteral("OBJVALUE"),
                         {QStringLiteral("OBJVALUE_ID"), QStringLiteral("OBJ_ID"), QStringLiteral("FLD_ID"),
                          QStringLiteral("OBJVALUE_HASPATH")},
                         {++objValue, t->objId, FldId(*t, t->tmplColumn), 0});
        maxIds_[QStringLiteral("OBJVALUE_ID")] = objValue;
        // The rules of the trigger counts, as system triggers of the old naming.
        const SysTable& fld = *FindSystemTable(QStringLiteral("FLD"));
        int triId = 0;
        for (const auto& [link, counter] : CountedLinks())
            w.Insert(QStringLiteral("TRI"),
                     {QStringLiteral("TRI_ID"), QStringLiteral("DEP_ID"), QStringLiteral("TRITYPE_ID"),
                      QStringLiteral("DFLD_ID"), QStringLiteral("TRI_SYS")},
                     {++triId, depId_.at(QStringLiteral("TRI.") + link), 3, FldId(fld, counter), 1});
        maxIds_[QStringLiteral("TRI_ID")] = triId;
    }

    void WriteInfo(RowWriter& w)
    {
        const QStringList infoCols{QStringLiteral("INFO_ID"), QStringLiteral("INFO_SID"), QStringLiteral("INFO_NAME"),
                                   QStringLiteral("INFO_VALUE")};
        w.Insert(QStringLiteral("INFO"), infoCols, {1, "prodid", "Идентификатор продукта", "1"});
        w.Insert(QStringLiteral("INFO"), infoCols, {2, "dbver", "Версия базы данных", QString::number(version_)});
        w.Insert(QStringLiteral("INFO"), infoCols, {3, "guid", "Идентификатор базы данных", ""});
        if (version_ >= 2)
            w.Insert(QStringLiteral("INFO"), infoCols, {4, "UpdateStatus", "Статус обновления", "0"});
        if (version_ >= 17)
            w.Insert(QStringLiteral("PARAMS"), {QStringLiteral("PARAMS_ID"), QStringLiteral("PARAMS_CONFNAME")},
                     {1, "Универсальная программа учета"});
        w.Insert(QStringLiteral("USRGRP"),
                 {QStringLiteral("USRGRP_ID"), QStringLiteral("USRGRP_LFT"), QStringLiteral("USRGRP_RGT"),
                  QStringLiteral("USRGRP_NAME")},
                 {1, 1, 2, "Все пользователи"});
        // The administrator: every user-level right, full rights on every object.
        QStringList usrCols{QStringLiteral("USR_ID"),   QStringLiteral("USRGRP_ID"), QStringLiteral("USR_LOGIN"),
                            QStringLiteral("USR_NAME"), QStringLiteral("USR_PAS"),   QStringLiteral("USR_ST"),
                            QStringLiteral("USR_CONF"), QStringLiteral("USR_ACC")};
        ValueList usrVals{1, 1, "admin", "Администратор", PasswordHash(QString()), 1, 1, 1};
        for (const char* flag : {"USR_TMDC", "USR_FLTR", "USR_PARAMS"}) {
            const SysTable* usr = FindSystemTable(QStringLiteral("USR"));
            for (const SysColumn& c : usr->columns)
                if (c.name == QLatin1String(flag) && c.existsAt(version_)) {
                    usrCols << c.name;
                    usrVals.push_back(1);
                }
        }
        w.Insert(QStringLiteral("USR"), usrCols, usrVals);
        const SysTable* uoa = FindSystemTable(QStringLiteral("UOA"));
        QStringList uoaCols{QStringLiteral("UOA_ID"), QStringLiteral("USR_ID"), QStringLiteral("OBJ_ID"),
                            QStringLiteral("OWNACC_ID"), QStringLiteral("NOOWNACC_ID")};
        for (const SysColumn& c : uoa->columns)
            if (c.type == ColType::Bool && c.existsAt(version_))
                uoaCols << c.name;
        int uoaId = 0;
        for (const SysTable* t : Tables()) {
            if (t->meta)
                continue;
            ValueList vals{++uoaId, 1, t->objId, 6, 6};
            while (static_cast<qsizetype>(vals.size()) < uoaCols.size())
                vals.push_back(1);
            w.Insert(QStringLiteral("UOA"), uoaCols, vals);
        }
        maxIds_[QStringLiteral("UOA_ID")] = uoaId;
        maxIds_[QStringLiteral("INFO_ID")] = version_ >= 2 ? 4 : 3;
        maxIds_[QStringLiteral("PARAMS_ID")] = version_ >= 17 ? 1 : 0;
        maxIds_[QStringLiteral("USRGRP_ID")] = 1;
        maxIds_[QStringLiteral("USR_ID")] = 1;
    }

    void RestartSequences()
    {
        int maxObj = 0;
        for (const SysTable* t : Tables())
            maxObj = std::max(maxObj, t->objId);
        maxIds_[QStringLiteral("OBJ_ID")] = maxObj;
        maxIds_[QStringLiteral("FLD_ID")] = fldCount_;
        maxIds_[QStringLiteral("DEP_ID")] = depCount_;
        for (const SysEnum& e : SystemEnums()) {
            int m = 0;
            for (const SysEnumRow& r : e.rows)
                if (r.since <= version_)
                    m = std::max(m, r.id);
            maxIds_[e.table + QStringLiteral("_ID")] = m;
        }
        for (const auto& [seq, value] : maxIds_)
            if (value > 0 && FindSystemTable(seq.left(seq.size() - 3))->existsAt(version_))
                Exec(Format(QStringLiteral("ALTER SEQUENCE %s RESTART WITH %d"), {seq, value}));
    }

    FbAttachment& att_;
    int version_;
    FbTransaction* tra_ = nullptr;
    std::map<QString, int> fldId_;
    std::map<QString, int> depId_;
    std::map<QString, int> maxIds_;
    int fldCount_ = 0, depCount_ = 0, tableCount_ = 0;
};

bool IsLocalPath(const QString& location)
{
    // "host:path" reaches a server; "C:..." style drive letters do not occur here.
    const qsizetype colon = location.indexOf(u':');
    return colon < 0 || location.startsWith(u'/');
}

}  // namespace

void CreateDatabase(const FbConnectParams& params, const std::function<void(const QString&)>& report)
{
    if (params.location.trimmed().isEmpty())
        RaiseMsg(QStringLiteral("Не указано расположение базы данных."));
    if (IsLocalPath(params.location) && QFileInfo::exists(params.location))
        RaiseMsgFmt(QStringLiteral("База данных \"%s\" уже существует."), {params.location});
    FbAttachment att;
    att.Create(params);
    if (report)
        report(Format(QStringLiteral("Создан файл базы данных \"%s\"."), {params.location}));
    try {
        Builder(att, kDbVersion).Run(report);
        att.Close();
    } catch (...) {
        try {
            att.Drop();
        } catch (...) {
        }
        throw;
    }
    if (report)
        report(QStringLiteral("Администратор: логин \"admin\", пустой пароль."));
}

}  // namespace korvanta
