#include "SystemTables.h"

namespace korvanta {

namespace {

QString U(const char* s)
{
    return QString::fromUtf8(s);
}

SysColumn Col(const char* name, ColType type, const char* caption, int len = 0)
{
    SysColumn c;
    c.name = U(name);
    c.type = type;
    c.caption = U(caption);
    c.len = len;
    return c;
}
// Text column.
SysColumn S(const char* name, int len, const char* caption) { return Col(name, ColType::Str, caption, len); }
// Flag: 0 or 1, 0 for new rows.
SysColumn F(const char* name, const char* caption) { return Col(name, ColType::Bool, caption).Def0(); }
// Integer.
SysColumn I(const char* name, const char* caption) { return Col(name, ColType::Integ, caption); }
// Link to the key of another table.
SysColumn R(const char* name, const char* refTable, const char* caption, TFKRule onDelete = fkNoAction)
{
    SysColumn c = Col(name, ColType::FK, caption);
    c.refTable = U(refTable);
    c.onDelete = onDelete;
    return c;
}
// Nested-set numbers.
SysColumn Lft(const char* name) { return I(name, "Левый код").Hidden(); }
SysColumn Rgt(const char* name) { return I(name, "Правый код").Hidden(); }

SysTable T(int objId, const char* table, const char* name, const char* name2, std::vector<SysColumn> cols)
{
    SysTable t;
    t.objId = objId;
    t.table = U(table);
    t.name = U(name);
    t.name2 = U(name2);
    t.columns = std::move(cols);
    return t;
}

// An enumeration table: SID, name and the extra columns.
SysTable E(int objId, const char* table, const char* name, const char* name2, std::vector<SysColumn> extra = {})
{
    const QString t = U(table);
    std::vector<SysColumn> cols;
    SysColumn sid = S("", 50, "Идентификатор").NotNull();
    sid.name = t + QStringLiteral("_SID");
    SysColumn nm = S("", 100, "Название");
    nm.name = t + QStringLiteral("_NAME");
    cols.push_back(sid);
    cols.push_back(nm);
    for (auto& c : extra)
        cols.push_back(c);
    SysTable r = T(objId, table, name, name2, cols);
    r.ref = true;
    r.tmplColumn = nm.name;
    return r;
}

SysTable& Tmpl(SysTable& t, const char* column)
{
    t.tmplColumn = U(column);
    return t;
}

std::vector<SysTable> Build()
{
    std::vector<SysTable> v;
    // The order here fixes the keys of the describing FLD rows (the first
    // columns of OBJ, CRD and CTRL come first, as in the oldest databases).
    v.push_back(T(28, "OBJ", "Объект", "Объекты", {
        S("OBJ_TABLE", 31, "Таблица"), S("OBJ_NAME", 100, "Название"), S("OBJ_NAME2", 100, "Название списка"),
        F("OBJ_REF", "Справочник"), F("OBJ_SYS", "Системный"), F("OBJ_META", "Метаданные"),
        F("OBJ_NOMENU", "Не показывать в меню"), F("OBJ_TREE", "Иерархия"), F("OBJ_HASTREE", "С иерархией"),
        F("OBJ_HASTMPL", "Есть шаблон значения"), S("OBJ_TMPL", 250, "Шаблон значения"),
        S("OBJ_COPYGRP", 50, "Группа копиров.").Since(10),
        F("OBJ_FETCHALL", "Загружать все").NotNull().Since(19)}));
    Tmpl(v.back(), "OBJ_NAME");
    v.push_back(T(10, "CRD", "Карточка", "Карточки", {
        R("OBJ_ID", "OBJ", "Объект", fkCascade).NotNull(), S("CRD_SID", 50, "Идентификатор"),
        S("CRD_NAME", 100, "Название"), F("CRD_DEF", "По умолчанию"), F("CRD_DEV", "Разработчика"),
        F("CRD_SYS", "Системная"), I("CRD_WIDTH", "Ширина"), I("CRD_CTRLHEIGHT", "Высота фр. полей"),
        I("CRD_DETHEIGHT", "Высота фр. вклад.")}));
    Tmpl(v.back(), "CRD_NAME");
    v.push_back(T(11, "CTRL", "Контрол", "Контролы", {
        R("CRD_ID", "CRD", "Карточка", fkCascade).NotNull(), R("FLD_ID", "FLD", "Поле", fkCascade),
        R("CTRLTYPE_ID", "CTRLTYPE", "Тип контрола").NotNull(), Lft("CTRL_LFT"), Rgt("CTRL_RGT"),
        S("CTRL_NAME", 200, "Заголовок"), S("CTRL_SID", 50, "Идентификатор"),
        I("CTRL_CLEFT", "Слева"), I("CTRL_CTOP", "Сверху"), I("CTRL_CWIDTH", "Ширина"),
        I("CTRL_CHEIGHT", "Высота"), I("CTRL_LLEFT", "Слева (надпись)"), I("CTRL_LTOP", "Сверху (надпись)"),
        I("CTRL_LWIDTH", "Ширина (надпись)"), I("CTRL_LHEIGHT", "Высота (надпись)"),
        F("CTRL_ROADD", "Только чтение при добавлении"), F("CTRL_ROEDT", "Только чтение при изменении"),
        F("CTRL_MAND", "Обязательное")}));
    v.push_back(T(18, "FLD", "Поле", "Поля", {
        R("OBJ_ID", "OBJ", "Объект", fkCascade).NotNull(), S("FLD_FIELD", 31, "Поле таблицы"),
        S("FLD_NAME", 100, "Название"), R("FLDTYPE_ID", "FLDTYPE", "Тип поля").NotNull(),
        I("FLD_LEN", "Длина"), F("FLD_NOTNULL", "Обязательное"), F("FLD_DEF0", "По умолчанию 0"),
        F("FLD_SYS", "Системное"), F("FLD_VIRT", "Виртуальное"), F("FLD_HASFRML", "Формула"),
        F("FLD_ACC", "Владелец записи"), F("FLD_NOTBL", "Не показывать в таблицах"),
        F("FLD_NOCRD", "Не показывать в карточках"), F("FLD_BOOL3", "Три состояния"),
        S("FLD_SID", 50, "Идентификатор"), I("FLD_TRISRC", "Источник").Def0().NotNull(),
        I("FLD_TRIDST", "Приемник").Def0().NotNull(),
        F("FLD_NOTICE", "Напоминание").NotNull().Since(5),
        F("FLD_UPDFRML", "Обновлять значение").NotNull().Since(9),
        F("FLD_COPYCHLD", "Копировать дочерние записи").NotNull().Since(10),
        I("FLD_TRISRC2", "Источник 2").Def0().NotNull().Since(11),
        F("FLD_TRIDST1", "Приемник 1").NotNull().Since(11),
        F("FLD_UPDFRMLDBL", "Обновлять при дублировании").NotNull().Since(19)}));
    Tmpl(v.back(), "FLD_NAME");
    v.push_back(T(17, "DEP", "Связь", "Связи", {
        R("OBJ_ID", "OBJ", "Родительский объект", fkCascade).NotNull(),
        R("FLD_ID", "FLD", "Поле связи", fkCascade).NotNull(),
        R("FKRULE_ID", "FKRULE", "Правило удаления").NotNull(), F("DEP_SYS", "Системная"),
        F("DEP_DELTR", "Удаление триггером"), S("DEP_NAME", 100, "Название"), S("DEP_SID", 50, "Идентификатор")}));
    v.push_back(T(23, "FRMLIT", "Элемент формулы", "Элементы формулы", {
        R("FLD_ID", "FLD", "Поле", fkCascade).NotNull(), Lft("FRMLIT_LFT"), Rgt("FRMLIT_RGT"),
        R("FRMLFUNC_ID", "FRMLFUNC", "Функция"), R("FLDTYPE_ID", "FLDTYPE", "Тип константы"),
        S("FRMLIT_VALUE", 250, "Константа"), R("FLD_ID_VALUE", "FLD", "Поле значения"),
        F("FRMLIT_HASPATH", "Есть путь")}));
    v.push_back(T(24, "FRMLITPT", "Шаг пути формулы", "Пути формул", {
        R("FRMLIT_ID", "FRMLIT", "Элемент формулы", fkCascade).NotNull(),
        R("FLD_ID", "FLD", "Поле связи").NotNull()}));
    v.push_back(T(25, "OBJVALUE", "Поле шаблона значения", "Поля шаблонов значений", {
        R("OBJ_ID", "OBJ", "Объект", fkCascade).NotNull(), R("FLD_ID", "FLD", "Поле").NotNull(),
        F("OBJVALUE_HASPATH", "Есть путь")}));
    v.push_back(T(26, "OBJVALPT", "Шаг пути шаблона", "Пути шаблонов значений", {
        R("OBJVALUE_ID", "OBJVALUE", "Поле шаблона значения", fkCascade).NotNull(),
        R("FLD_ID", "FLD", "Поле связи").NotNull()}));
    v.push_back(T(41, "TRI", "Триггер", "Триггеры", {
        R("DEP_ID", "DEP", "Связь"), R("TRITYPE_ID", "TRITYPE", "Тип").NotNull(),
        R("DFLD_ID", "FLD", "Приемник").NotNull(), R("SFLD_ID", "FLD", "Источник"),
        R("S2FLD_ID", "FLD", "Источник 2").Since(11), I("TRI_POS", "Порядок").Def0().NotNull().Since(7),
        I("TRI_VER", "Версия").Def0().NotNull().Since(11), F("TRI_SYS", "Системный")}));
    v.push_back(T(37, "TBL", "Таблица", "Таблицы", {
        R("OBJ_ID", "OBJ", "Объект", fkCascade), R("DEP_ID", "DEP", "Связь", fkCascade),
        S("TBL_SID", 50, "Идентификатор"), F("TBL_DEF", "По умолчанию"), F("TBL_DEV", "Разработчика"),
        F("TBL_SYS", "Системная"), R("TMDC_ID", "TMDC", "Шаблон документа", fkCascade).Since(6)}));
    Tmpl(v.back(), "TBL_SID");
    v.push_back(T(38, "TBLIT", "Колонка таблицы", "Колонки таблиц", {
        R("TBL_ID", "TBL", "Таблица", fkCascade).NotNull(), R("FLD_ID", "FLD", "Поле", fkCascade),
        Lft("TBLIT_LFT"), Rgt("TBLIT_RGT"), S("TBLIT_NAME", 100, "Заголовок"), I("TBLIT_WIDTH", "Ширина"),
        I("TBLIT_POS", "Позиция"), I("TBLIT_SORT", "Сортировка"), F("TBLIT_DESC", "По убыванию")}));
    v.push_back(T(31, "TBLUSR", "Таблица пользователя", "Таблицы пользователей", {
        R("TBL_ID", "TBL", "Таблица", fkCascade).NotNull(), R("USR_ID", "USR", "Пользователь", fkCascade).NotNull()}));
    v.push_back(T(32, "TBLITUSR", "Колонка пользователя", "Колонки пользователей", {
        R("TBLIT_ID", "TBLIT", "Колонка", fkCascade).NotNull(),
        R("USR_ID", "USR", "Пользователь", fkCascade).NotNull(), I("TBLITUSR_WIDTH", "Ширина"),
        I("TBLITUSR_POS", "Позиция")}));
    v.push_back(T(12, "CRDUSR", "Карточка пользователя", "Карточки пользователей", {
        R("CRD_ID", "CRD", "Карточка", fkCascade).NotNull(), R("USR_ID", "USR", "Пользователь", fkCascade).NotNull()}));
    v.push_back(T(15, "DETBK", "Набор детализации", "Наборы детализации", {
        R("OBJ_ID", "OBJ", "Объект", fkCascade).NotNull(), S("DETBK_SID", 50, "Идентификатор"),
        S("DETBK_NAME", 100, "Название"), F("DETBK_DEF", "По умолчанию"), F("DETBK_DEV", "Разработчика"),
        F("DETBK_SYS", "Системный"), I("DETBK_POS", "Позиция")}));
    Tmpl(v.back(), "DETBK_NAME");
    v.push_back(T(16, "DETBKDEP", "Вкладка детализации", "Вкладки детализации", {
        R("DETBK_ID", "DETBK", "Набор детализации", fkCascade).NotNull(),
        R("DEP_ID", "DEP", "Связь", fkCascade).NotNull(), I("DETBKDEP_POS", "Позиция")}));
    v.push_back(T(19, "DETBKUSR", "Детализация пользователя", "Детализации пользователей", {
        R("DETBK_ID", "DETBK", "Набор детализации", fkCascade).NotNull(),
        R("USR_ID", "USR", "Пользователь", fkCascade).NotNull()}));
    v.push_back(T(20, "FLTR", "Фильтр", "Фильтры", {
        R("OBJ_ID", "OBJ", "Объект", fkCascade), R("DEP_ID", "DEP", "Связь", fkCascade),
        S("FLTR_NAME", 100, "Название"), S("FLTR_SID", 50, "Идентификатор"), F("FLTR_DEV", "Разработчика"),
        F("FLTR_MAND", "Обязательный").Until(19),
        R("USR_ID", "USR", "Пользователь", fkCascade).Since(13),
        R("ST_ID", "ST", "Сводная таблица", fkCascade).Since(14),
        R("ACCF_ID", "ACCF", "Доступ").NotNull().OnUpdate("NO ACTION").Since(15),
        F("FLTR_CHDEP", "Использовать в дочерних связях").NotNull().Since(15)}));
    Tmpl(v.back(), "FLTR_NAME");
    v.push_back(T(21, "FLTRIT", "Элемент фильтра", "Элементы фильтра", {
        R("FLTR_ID", "FLTR", "Фильтр", fkCascade).NotNull(), Lft("FLTRIT_LFT"), Rgt("FLTRIT_RGT"),
        R("FLTRITTP_ID", "FLTRITTP", "Тип").NotNull(), F("FLTRIT_NOT", "Не"), F("FLTRIT_HASPATH", "Есть путь"),
        S("FLTRIT_SID", 50, "Идентификатор"), R("FLD_ID", "FLD", "Поле"), S("FLTRIT_VALUE", 250, "Значение"),
        R("FLTRITTOV_ID", "FLTRITTOV", "Тип значения").Since(12),
        R("FLTRITFN_ID", "FLTRITFN", "Функция").Since(12),
        R("FLD_ID_VALUE", "FLD", "Поле значения").Since(12), I("FLTRIT_LAG", "Смещение").Since(12),
        R("DEP_ID", "DEP", "Связь")}));
    v.push_back(T(22, "FLTRITPT", "Шаг пути фильтра", "Пути фильтров", {
        R("FLTRIT_ID", "FLTRIT", "Элемент фильтра", fkCascade).NotNull(),
        R("FLD_ID", "FLD", "Поле связи").NotNull()}));
    v.push_back(T(33, "ST", "Сводная таблица", "Сводные таблицы", {
        R("OBJ_ID", "OBJ", "Объект", fkCascade).NotNull(), R("DATFLD_ID", "FLD", "Поле данных"),
        R("ROWFLD_ID", "FLD", "Поле строк"), R("COLFLD_ID", "FLD", "Поле столбцов"),
        R("ROWGRP_ID", "DATEGRP", "Группировка строк"), R("COLGRP_ID", "DATEGRP", "Группировка столбцов"),
        S("ST_NAME", 50, "Название").Since(15)}));
    Tmpl(v.back(), "ST_NAME");
    for (auto [id, table, name] : {std::tuple{30, "STROWPT", "Шаг пути строк"},
                                   std::tuple{27, "STCOLPT", "Шаг пути столбцов"},
                                   std::tuple{29, "STDATPT", "Шаг пути данных"}})
        v.push_back(T(id, table, name, name, {
            R("ST_ID", "ST", "Сводная таблица", fkCascade).NotNull(), R("FLD_ID", "FLD", "Поле связи").NotNull()}));
    v.push_back(T(45, "USR", "Пользователь", "Пользователи", {
        R("USRGRP_ID", "USRGRP", "Группа", fkSetNull), S("USR_LOGIN", 50, "Логин"),
        S("USR_NAME", 100, "Имя"), S("USR_PAS", 50, "Пароль").Hidden(), F("USR_ST", "Сводные таблицы"),
        F("USR_CONF", "Конфигуратор"), F("USR_ACC", "Права доступа"),
        F("USR_TMDC", "Шаблоны документов").NotNull().Since(6), F("USR_FLTR", "Фильтры").NotNull().Hidden().Since(15),
        F("USR_PARAMS", "Параметры").NotNull().Since(17), F("USR_HIDE", "Скрыть").NotNull().Since(19)}));
    {
        SysTable& usr = v.back();
        usr.meta = false;
        usr.ref = true;
        usr.noMenu = false;
        usr.hasTree = true;
        usr.tmplColumn = QStringLiteral("USR_NAME");
        usr.uniques.push_back({QStringLiteral("UK_USR"), {QStringLiteral("USR_LOGIN")}});
    }
    v.push_back(T(36, "USRGRP", "Группа пользователей", "Группы пользователей", {
        I("USRGRP_LFT", "Левый код").NotNull().Hidden().Sid("Lft"),
        I("USRGRP_RGT", "Правый код").NotNull().Hidden().Sid("Rgt"),
        S("USRGRP_NAME", 50, "Название").Sid("Name")}));
    {
        SysTable& grp = v.back();
        grp.meta = false;
        grp.ref = true;
        grp.noMenu = false;
        grp.tree = true;
        grp.tmplColumn = QStringLiteral("USRGRP_NAME");
    }
    v.push_back(T(44, "UOA", "Права на объект", "Права на объекты", {
        R("USR_ID", "USR", "Пользователь", fkCascade).NotNull(), R("OBJ_ID", "OBJ", "Объект", fkCascade).NotNull(),
        R("OWNACC_ID", "ACC", "Доступ к записям с владельцем"),
        R("NOOWNACC_ID", "ACC", "Доступ к записям без владельца"), F("UOA_MENU", "Меню"),
        F("UOA_ADD", "Добавление"), F("UOA_TREE", "Иерархия"), F("UOA_IMPORT", "Импорт").NotNull().Since(3),
        F("UOA_EXPORT", "Экспорт").NotNull().Since(4), F("UOA_TMDC", "Шаблоны документов").NotNull().Since(6),
        F("UOA_DOUBLE", "Дублировать").NotNull().Since(7),
        F("UOA_ADVFLTR", "Сложный фильтр").NotNull().Since(12),
        F("UOA_ADVLIST", "Список в таблице").NotNull().Since(13).Until(15)}));
    v.push_back(T(34, "UGA", "Доступ группы", "Доступы групп", {
        R("UOA_ID", "UOA", "Права на объект", fkCascade).NotNull(),
        R("USRGRP_ID", "USRGRP", "Группа", fkCascade).NotNull(), R("ACC_ID", "ACC", "Доступ").NotNull()}));
    v.push_back(T(35, "UUA", "Доступ пользователя", "Доступы пользователей", {
        R("UOA_ID", "UOA", "Права на объект", fkCascade).NotNull(),
        R("USR_ID", "USR", "Пользователь", fkCascade).NotNull(), R("ACC_ID", "ACC", "Доступ").NotNull()}));

    v.push_back(E(5, "FLDTYPE", "Тип поля", "Типы полей", {
        I("FLDTYPE_COLWIDTH", "Ширина колонки"), I("FLDTYPE_LEN", "Длина"), F("FLDTYPE_FRML", "Формула")}));
    v.push_back(E(4, "FKRULE", "Правило связи", "Правила связей", {S("FKRULE_SQL", 50, "SQL")}));
    v.push_back(E(7, "FRMLFUNC", "Функция формулы", "Функции формул"));
    v.push_back(E(6, "FLTRITTP", "Тип узла фильтра", "Типы узлов фильтра"));
    v.push_back(E(47, "FLTRITTOV", "Тип значения фильтра", "Типы значений фильтра"));
    v.back().since = 12;
    v.push_back(E(48, "FLTRITFN", "Функция фильтра", "Функции фильтра"));
    v.back().since = 12;
    v.push_back(E(2, "CTRLTYPE", "Тип контрола", "Типы контролов"));
    v.push_back(E(1, "ACC", "Доступ", "Доступы"));
    v.push_back(E(49, "ACCF", "Доступ к фильтрам", "Доступы к фильтрам"));
    v.back().since = 15;
    v.push_back(E(3, "DATEGRP", "Группировка даты", "Группировки дат", {S("DATEGRP_SHORT", 20, "Кратко")}));
    v.push_back(E(8, "TRITYPE", "Тип триггера", "Типы триггеров"));

    v.push_back(T(13, "CURR", "Валюта", "Валюты", {S("CURR_NAME", 50, "Название"), F("CURR_BASE", "Базовая")}));
    v.back().meta = false;
    v.back().ref = true;
    v.back().noMenu = false;
    v.back().tmplColumn = QStringLiteral("CURR_NAME");
    v.push_back(T(14, "CURRATE", "Курс валюты", "Курсы валют", {
        R("CURR_ID", "CURR", "Валюта", fkCascade).NotNull(), Col("CURRATE_DATE", ColType::Date, "Дата").NotNull(),
        Col("CURRATE_VALUE", ColType::Num184, "Курс").NotNull()}));
    v.back().meta = false;
    v.back().noMenu = false;
    v.push_back(T(9, "INFO", "Параметр базы", "Параметры базы", {
        S("INFO_SID", 50, "Идентификатор").NotNull(), S("INFO_NAME", 100, "Название"),
        S("INFO_VALUE", 250, "Значение")}));
    v.back().uniques.push_back({QStringLiteral("UK_INFO"), {QStringLiteral("INFO_SID")}});
    v.push_back(T(46, "TMDC", "Шаблон документа", "Шаблоны документов", {
        S("TMDC_NAME", 50, "Название"), S("TMDC_FILE", 260, "Файл"), R("OBJ_ID", "OBJ", "Объект", fkCascade)}));
    v.back().since = 6;
    v.back().meta = false;
    v.back().tmplColumn = QStringLiteral("TMDC_NAME");
    v.push_back(T(50, "FUA", "Фильтр - Пользователь", "Фильтры - Пользователи", {
        R("FLTR_ID", "FLTR", "Фильтр", fkCascade).NotNull(), R("USR_ID", "USR", "Пользователь", fkCascade).NotNull(),
        R("ACCF_ID", "ACCF", "Доступ").NotNull()}));
    v.back().since = 17;
    v.back().uniques.push_back({QStringLiteral("UK_FUA"), {QStringLiteral("USR_ID"), QStringLiteral("FLTR_ID")}});
    v.push_back(T(51, "FGA", "Фильтр - Группа", "Фильтры - Группы", {
        R("FLTR_ID", "FLTR", "Фильтр", fkCascade).NotNull(), R("USRGRP_ID", "USRGRP", "Группа", fkCascade).NotNull(),
        R("ACCF_ID", "ACCF", "Доступ").NotNull()}));
    v.back().since = 17;
    v.back().uniques.push_back({QStringLiteral("UK_FGA"), {QStringLiteral("USRGRP_ID"), QStringLiteral("FLTR_ID")}});
    v.push_back(T(52, "PARAMS", "Параметры", "Параметры", {S("PARAMS_CONFNAME", 100, "Назв. конфигур.")}));
    v.back().since = 17;
    v.back().meta = false;
    return v;
}

}  // namespace

const std::vector<SysTable>& SystemTables()
{
    static const std::vector<SysTable> tables = Build();
    return tables;
}

const SysTable* FindSystemTable(const QString& table)
{
    for (const SysTable& t : SystemTables())
        if (t.table == table)
            return &t;
    return nullptr;
}

const std::vector<SysEnum>& SystemEnums()
{
    static const std::vector<SysEnum> enums = {
        {QStringLiteral("FLDTYPE"),
         {{1, "PK", "Ключ"}, {2, "Str", "Строка"}, {3, "FK", "Ссылка"}, {4, "Integ", "Целое"},
          {5, "Bool", "Логическое"}, {6, "Num182", "Число (2 знака)"}, {7, "Num183", "Число (3 знака)"},
          {8, "Num184", "Число (4 знака)"}, {9, "Date", "Дата"}, {10, "DateTime", "Дата и время"}}},
        {QStringLiteral("FKRULE"),
         {{1, "NoAction", "Запрет удаления"}, {2, "Cascade", "Каскадное удаление"}, {3, "SetNull", "Очистка ссылки"}}},
        {QStringLiteral("FRMLFUNC"),
         {{1, "Add", "Сложить"}, {2, "Ded", "Вычесть"}, {3, "Mul", "Умножить"}, {4, "Div", "Разделить"},
          {5, "Rate", "Курс"}, {6, "CurD", "Текущая дата"}, {7, "CurDT", "Текущая дата и время"},
          {8, "CurU", "Текущий пользователь"}, {9, "ParId", "Код родителя"},
          {10, "If", "Если", 9}, {11, "And", "И", 9}, {12, "Or", "Или", 9}, {13, "Equal", "Равно", 9},
          {14, "Greater", "Больше", 9}, {15, "GreaterEqual", "Больше или равно", 9}, {16, "Less", "Меньше", 9},
          {17, "LessEqual", "Меньше или равно", 9}, {18, "Empty", "Пустое", 9}, {19, "Containing", "Содержит", 9},
          {20, "Not", "Не", 9}, {21, "SimpleRoundTo", "Округлить", 9}, {22, "Percent", "Процент", 9},
          {23, "NumberPercent", "Число процента", 9}, {24, "DayOf", "День", 9}, {25, "WeekOf", "Неделя", 9},
          {26, "MonthOf", "Месяц", 9}, {27, "YearOf", "Год", 9}, {28, "Inc", "Счетчик", 9}}},
        {QStringLiteral("FLTRITTP"),
         {{1, "And", "И"}, {2, "Or", "Или"}, {3, "Equal", "Равно"}, {4, "Greater", "Больше"},
          {5, "GreaterEqual", "Больше или равно"}, {6, "Less", "Меньше"}, {7, "LessEqual", "Меньше или равно"},
          {8, "Empty", "Пустое"}, {9, "Containing", "Содержит"}, {10, "Between", "Между"},
          {11, "In", "В списке"}, {12, "Exist", "Существует"}}},
        {QStringLiteral("FLTRITTOV"), {{1, "Const", "Константа", 12}, {2, "Func", "Функция", 12}, {3, "Field", "Поле", 12}}},
        {QStringLiteral("FLTRITFN"),
         {{1, "CurDT", "Текущая дата и время", 12}, {2, "CurD", "Текущая дата", 12},
          {3, "BegD", "Начало текущей даты", 12}, {4, "BegW", "Начало текущей недели", 12},
          {5, "BegTd", "Начало текущей декады", 12}, {6, "BegM", "Начало текущего месяца", 12},
          {7, "BegQ", "Начало текущего квартала", 12}, {8, "BegHy", "Начало текущего полугодия", 12},
          {9, "BegY", "Начало текущего года", 12}, {10, "CurU", "Текущий пользователь", 12}}},
        {QStringLiteral("CTRLTYPE"),
         {{1, "Root", "Корень"}, {2, "PageCon", "Набор вкладок"}, {3, "Tab", "Вкладка"},
          {4, "StrEdit", "Однострочное"}, {5, "Integ", "Целое"}, {6, "Num182", "Число (2 знака)"},
          {7, "CheckBox", "Флажок"}, {8, "Num183", "Число (3 знака)"}, {9, "Num184", "Число (4 знака)"},
          {10, "ObjEditBtn", "Поле с кнопкой"}, {11, "Date", "Дата"}, {12, "DateTime", "Дата и время"},
          {13, "Label", "Надпись"}, {14, "Button", "Кнопка"},
          {15, "StrMemo", "Многострочное", 7}, {16, "StrSkype", "Skype", 7}, {17, "StrFile", "Ссылка на файл", 7},
          {18, "StrSite", "Сайт", 7}, {19, "StrEmail", "Email", 7}, {20, "StrPhone", "Телефон", 7},
          {21, "ObjComboBox", "Выпадающий список", 7}}},
        {QStringLiteral("ACC"),
         {{1, "NoAccess", "Нет доступа"}, {2, "AsGroup", "Как у группы"}, {3, "ReadTbl", "Чтение таблицы"},
          {4, "ReadCrd", "Чтение карточки"}, {5, "Edit", "Изменение"}, {6, "Full", "Полный доступ"},
          {7, "Detail", "Детальный"}}},
        {QStringLiteral("ACCF"),
         {{1, "NoAccess", "Нет доступа", 15}, {2, "AsGroup", "Как у группы", 15}, {3, "Temp", "Временный", 15},
          {4, "TempDef", "Временный, по умолчанию", 15}, {5, "Perm", "Постоянный", 15},
          {6, "PermDef", "Постоянный, по умолчанию", 15}, {7, "PermDefHide", "Постоянный, по умолчанию, скрыт", 15},
          {8, "Detail", "Детальный", 15}}},
        {QStringLiteral("DATEGRP"),
         {{1, "Day", "День"}, {2, "Week", "Неделя"}, {3, "Decade", "Декада"}, {4, "Month", "Месяц"},
          {5, "Quarter", "Квартал"}, {6, "Halfyear", "Полугодие"}, {7, "Year", "Год"}}},
        {QStringLiteral("TRITYPE"),
         {{1, "AddSum", "Добавить сумму"}, {2, "DedSum", "Вычесть сумму"}, {3, "AddCnt", "Добавить количество"},
          {4, "DedCnt", "Вычесть количество"}, {5, "Add", "Сложить", 11}, {6, "Ded", "Вычесть", 11},
          {7, "Mul", "Умножить", 11}, {8, "Div", "Разделить", 11}}},
    };
    return enums;
}

const std::vector<FldTypeExtra>& FldTypeExtras()
{
    static const std::vector<FldTypeExtra> extras = {
        {"PK", 60, 0, false},      {"Str", 150, 50, true},    {"FK", 150, 0, false},
        {"Integ", 80, 0, true},    {"Bool", 60, 0, true},     {"Num182", 100, 0, true},
        {"Num183", 100, 0, true},  {"Num184", 100, 0, true},  {"Date", 80, 0, true},
        {"DateTime", 120, 0, true}};
    return extras;
}

QString FKRuleSqlOf(const char* sid)
{
    const QString s = QString::fromLatin1(sid);
    if (s == u"NoAction")
        return QStringLiteral("NO ACTION");
    if (s == u"Cascade")
        return QStringLiteral("CASCADE");
    return QStringLiteral("SET NULL");
}

QString DateGrpShortOf(const char* sid)
{
    static const std::pair<const char*, const char*> shorts[] = {
        {"Day", "дн."}, {"Week", "нед."}, {"Decade", "дек."}, {"Month", "мес."},
        {"Quarter", "кв."}, {"Halfyear", "полуг."}, {"Year", "г."}};
    for (auto [k, v] : shorts)
        if (qstrcmp(k, sid) == 0)
            return QString::fromUtf8(v);
    return QString();
}

int FldTypeCodeOf(ColType t)
{
    switch (t) {
    case ColType::PK: return 1;
    case ColType::Str: return 2;
    case ColType::FK: return 3;
    case ColType::Integ: return 4;
    case ColType::Bool: return 5;
    case ColType::Num182: return 6;
    case ColType::Num183: return 7;
    case ColType::Num184: return 8;
    case ColType::Date: return 9;
    case ColType::Timestamp: return 10;
    }
    return 0;
}

}  // namespace korvanta
