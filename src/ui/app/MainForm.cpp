#include "MainForm.h"

#include "Common.h"
#include "LoginDialog.h"
#include "Version.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <cmath>

namespace korvanta {

namespace {

// A child window records its kind and object; later windows extend it.
class MdiChild : public QWidget {
public:
    MdiChild(int kind, TObj* obj) : kind_(kind), obj_(obj) {}
    int kind() const { return kind_; }
    TObj* obj() const { return obj_; }

private:
    int kind_;
    TObj* obj_;
};

int RoundHalfEven(double x)
{
    return static_cast<int>(std::nearbyint(x));
}

}  // namespace

QRect RestoreBounds(const StoredBounds& s, const QRect& primary, const QRect& work)
{
    int W = s.width.isValid() ? s.width.toInt() : RoundHalfEven(primary.width() * 0.75);
    int H = s.height.isValid() ? s.height.toInt() : RoundHalfEven(primary.height() * 0.75);
    int L = s.left.isValid() ? s.left.toInt() : (primary.width() - W) / 2;
    int T = s.top.isValid() ? s.top.toInt() : (primary.height() - H) / 2;
    if (W > work.width())
        W = RoundHalfEven(work.width() * 0.85);
    if (H > work.height())
        H = RoundHalfEven(work.height() * 0.85);
    if (L + W > work.right() + 1)
        L = work.right() + 1 - W;
    if (L < work.left())
        L = work.left();
    if (T + H > work.bottom() + 1)
        T = work.bottom() + 1 - H;
    if (T < work.top())
        T = work.top();
    return QRect(L, T, W, H);
}

TMainForm::TMainForm(std::unique_ptr<ServerLink> link, QWidget* parent)
    : QMainWindow(parent), db_(std::make_unique<TDB>()), list_(std::make_unique<TObjList>(*db_))
{
    InitForm(this);
    setWindowTitle(QStringLiteral("Korvanta"));
    db_->SetServerLink(std::move(link));
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(mdi_);
    lbLogin_ = new QLabel(QStringLiteral("Пользователь:"), this);
    lbLogin_->setObjectName(QStringLiteral("lbLogin"));
    progress_ = new QProgressBar(this);
    progress_->setMaximumWidth(240);
    progress_->setMaximumHeight(16);
    tbNotice_ = new QToolButton(this);
    tbNotice_->setObjectName(QStringLiteral("tbNotice"));
    tbNotice_->setText(QStringLiteral("Оповещения"));
    tbNotice_->setAutoRaise(true);
    statusBar()->addWidget(lbLogin_);
    statusBar()->addWidget(progress_);
    statusBar()->addPermanentWidget(tbNotice_);
    progress_->hide();
    tbNotice_->hide();
    CreateMenus();
}

TMainForm::~TMainForm()
{
    list_->Clear();
}

void TMainForm::CreateMenus()
{
    auto addMenu = [&](const char* name, const char* caption) {
        QMenu* m = menuBar()->addMenu(QString::fromUtf8(caption));
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto addItem = [&](QMenu* m, const char* name, const QString& caption, std::function<void()> fn) {
        QAction* a = m->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, std::move(fn));
        return a;
    };
    QMenu* file = addMenu("miFile", "Файл");
    addItem(file, "miLogin", QStringLiteral("Авторизация..."), [this] {
        if (!loggingIn_)
            LogIn();
    });
    addItem(file, "miExit", QStringLiteral("Выход"), [this] { close(); });
    addMenu("miData", "Данные");
    QMenu* service = addMenu("miService", "Сервис");
    addItem(service, "miImport", QStringLiteral("Импорт"), [this] { OpenWindow(nullptr, mkImport, QStringLiteral("Импорт")); });
    QMenu* rep = addMenu("miRep", "Отчеты");
    addItem(rep, "miSumTable", QStringLiteral("Сводные таблицы"),
            [this] { OpenWindow(nullptr, mkSumTable, action("miSumTable")->text()); });
    QMenu* settings = addMenu("miSettings", "Настройки");
    addItem(settings, "miConf", QStringLiteral("Конфигуратор"), [this] { OpenWindow(nullptr, mkConf, action("miConf")->text()); });
    addItem(settings, "miAcc", QStringLiteral("Права доступа"), [this] { OpenWindow(nullptr, mkAcc, action("miAcc")->text()); });
    addItem(settings, "miFltr", QStringLiteral("Фильтры"), [this] { OpenWindow(nullptr, mkFltr, action("miFltr")->text()); });
    addItem(settings, "miTmplDoc", QStringLiteral("Шаблоны документов"),
            [this] { OpenWindow(nullptr, mkTmplDoc, action("miTmplDoc")->text()); });
    addItem(settings, "miParams", QStringLiteral("Параметры"), [this] { OpenWindow(nullptr, mkBase, action("miParams")->text()); });
    QMenu* view = addMenu("miView", "Вид");
    scaleGroup_ = new QActionGroup(this);
    int choice = 0;
    for (auto [name, caption] : {std::pair{"miScaleDef", "Масштаб ОС"}, std::pair{"miScale125", "Масштаб ОС + 25%"},
                                 std::pair{"miScale150", "Масштаб ОС + 50%"}}) {
        QAction* a = addItem(view, name, QString::fromUtf8(caption), [this, choice] { SetScale(choice); });
        a->setCheckable(true);
        scaleGroup_->addAction(a);
        ++choice;
    }
    action("miScaleDef")->setChecked(true);
    QMenu* help = addMenu("miHelp", "Справка");
    addItem(help, "miHomePage", QStringLiteral("Домашняя страница"),
            [] { QDesktopServices::openUrl(QUrl(QStringLiteral("https://korvanta.example/"))); });
    addItem(help, "miAbout", QStringLiteral("О программе"), [this] { About(); });
    for (const char* name : {"miData", "miService", "miImport", "miRep", "miSettings"})
        action(name)->setVisible(false);
}

QMenu* TMainForm::menu(const QString& objectName) const
{
    return menuBar()->findChild<QMenu*>(objectName);
}

QAction* TMainForm::action(const QString& objectName) const
{
    for (QAction* a : menuBar()->findChildren<QAction*>())
        if (a->objectName() == objectName)
            return a;
    if (QMenu* m = menu(objectName))
        return m->menuAction();
    return nullptr;
}

void TMainForm::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    // Paint first, then log in.
    QTimer::singleShot(0, this, [this] { LogIn(); });
}

void TMainForm::closeEvent(QCloseEvent* e)
{
    // The log-in sequence waits in event loops: closing now would free what it uses.
    if (loggingIn_) {
        closeRequested_ = true;
        e->ignore();
        return;
    }
    if (inited_)
        LogOut();
    Disconnect();
    SaveWindow();
    e->accept();
}

void TMainForm::Disconnect()
{
    list_->Clear();
    db_->Loaded = false;
    if (db_->Connected || db_->attachment().isOpen())
        db_->Disconnect();
    if (db_->ServerConnected())
        db_->ServerDisconnect();
}

void TMainForm::ShowProgress(bool on)
{
    progress_->setVisible(on);
    progress_->setValue(0);
}

bool TMainForm::PromptLogin(QString& login, QString& password, int attempt)
{
    if (LoginPrompt)
        return LoginPrompt(login, password, attempt);
    LoginDialog dialog(this);
    dialog.setLogin(login);
    dialog.applyFocusRule();
    CentreOver(this, &dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    login = dialog.login();
    password = dialog.password();
    return true;
}

void TMainForm::LogIn()
{
    if (loggingIn_)
        return;
    loggingIn_ = true;
    QAction* miLogin = action("miLogin");
    miLogin->setEnabled(false);
    struct Done {
        TMainForm* f;
        QAction* a;
        ~Done()
        {
            f->loggingIn_ = false;
            a->setEnabled(true);
            if (f->closeRequested_) {
                f->closeRequested_ = false;
                QTimer::singleShot(0, f, [f = f] { f->close(); });
            }
        }
    } done{this, miLogin};
    WaitCursor wait;
    try {
        setWindowTitle(QStringLiteral("Korvanta"));
        if (inited_)
            LogOut();
        Disconnect();
        lbLogin_->setText(QStringLiteral("Подключение..."));
        db_->ServerConnect();
        db_->Connect();
        if (!boundsRestored_)
            RestoreWindow();
        configuration_ = db_->VarToStrByFldType(
            db_->SelVals(QStringLiteral("PARAMS_CONFNAME"), QStringLiteral("PARAMS"), {QStringLiteral("PARAMS_ID")}, {1}),
            ftStr, false);
        if (auto s = Settings())
            s->setValue(QStringLiteral("Configuration"), configuration_);
        setWindowTitle(configuration_);
        lbLogin_->setText(QStringLiteral("Загрузка:"));
        ShowProgress(true);
        list_->NotifyPosition = [this](int min, int max, int pos) {
            progress_->setRange(min, max);
            progress_->setValue(pos);
        };
        list_->Load();
        db_->Loaded = true;
        lbLogin_->setText(QStringLiteral(" "));
        ShowProgress(false);

        QString login = lastLogin_;
        if (login.isEmpty())
            if (auto s = Settings())
                login = s->value(QStringLiteral("LastLogin")).toString();
        for (int attempt = 1; attempt <= 3; ++attempt) {
            QString password;
            if (!PromptLogin(login, password, attempt))
                break;
            if (db_->Login(login, PasswordHash(password))) {
                lastLogin_ = login;
                if (auto s = Settings())
                    s->setValue(QStringLiteral("LastLogin"), login);
                BuildMenus();
                break;
            }
            MsgDlg(QStringLiteral("Неправильный логин или пароль."), MsgKind::Error, QMessageBox::Ok, this);
        }
        if (!inited_)
            Disconnect();
    } catch (...) {
        ShowProgress(false);
        lbLogin_->setText(QStringLiteral(" "));
        Disconnect();
        throw;
    }
}

void TMainForm::LogOut()
{
    const auto windows = mdi_->subWindowList();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        (*it)->close();
        delete *it;
    }
    for (const char* name : {"miData", "miService", "miImport", "miRep", "miSettings"})
        action(name)->setVisible(false);
    tbNotice_->hide();
    menu("miData")->clear();
    lbLogin_->setText(QStringLiteral(" "));
    inited_ = false;
}

void TMainForm::BuildMenus()
{
    auto q = db_->CreateIBSQLS(false);
    q->SetSQL(QStringLiteral("select USR_ST, USR_CONF, USR_ACC, USR_FLTR, USR_TMDC, USR_PARAMS from USR where USR_ID = :USR_ID"));
    q->SetParam(QStringLiteral("USR_ID"), Value(static_cast<long long>(db_->CurrentUserId)));
    q->ExecQuery();
    auto flag = [&](const char* column) {
        if (q->Eof())
            return false;
        const Value v = q->FieldByName(QString::fromLatin1(column));
        return !v.isNull() && v.asBoolean();
    };
    const bool st = flag("USR_ST"), conf = flag("USR_CONF"), acc = flag("USR_ACC"), fltr = flag("USR_FLTR"),
               tmdc = flag("USR_TMDC"), params = flag("USR_PARAMS");
    q->Close();

    BuildDataMenu();
    bool import = false;
    for (const auto& o : list_->Objs())
        import = import || o->UOA->Import();
    action("miImport")->setVisible(import);
    action("miService")->setVisible(import);

    TObj* stObj = list_->FindObjByTable(QStringLiteral("ST"));
    if (stObj)
        action("miSumTable")->setText(stObj->Name2());
    action("miSumTable")->setVisible(st);
    action("miRep")->setVisible(st);

    TObj* usr = list_->GetObjByTable(QStringLiteral("USR"));
    bool anySetting = false;
    for (auto [item, column, on] : {std::tuple{"miConf", "USR_CONF", conf}, std::tuple{"miAcc", "USR_ACC", acc},
                                    std::tuple{"miFltr", "USR_FLTR", fltr}, std::tuple{"miTmplDoc", "USR_TMDC", tmdc},
                                    std::tuple{"miParams", "USR_PARAMS", params}}) {
        if (TFld* f = usr->FldList.FindByField(QString::fromLatin1(column)))
            action(item)->setText(f->Name());
        action(item)->setVisible(on);
        anySetting = anySetting || on;
    }
    action("miSettings")->setVisible(anySetting);
    lbLogin_->setText(usr->Name() + QStringLiteral(": ") + db_->CurrentUserName);
    inited_ = true;
}

void TMainForm::BuildDataMenu()
{
    QMenu* data = menu("miData");
    data->clear();
    list_->LoadUOA(db_->CurrentUserId, Value());
    int added = 0;
    auto addObjects = [&](bool refs) {
        for (const auto& o : list_->Objs()) {
            if (o->Meta() || !o->UOA->Menu() || o->Ref() != refs)
                continue;
            TObj* obj = o.get();
            QAction* a = data->addAction(obj->Name2());
            a->setObjectName(QStringLiteral("miData_") + obj->Table());
            connect(a, &QAction::triggered, this, [this, obj] { OpenWindow(obj, mkData, obj->Name2()); });
            ++added;
        }
    };
    addObjects(false);
    if (added > 0)
        data->addSeparator();
    const int before = added;
    addObjects(true);
    if (added == before && before > 0)
        data->removeAction(data->actions().last());
    action("miData")->setVisible(added > 0);
}

QWidget* TMainForm::OpenWindow(TObj* AObj, int AKind, const QString& caption)
{
    if (AKind < mkBase || AKind > mkFltr)
        RaiseMsg(QStringLiteral("Неизвестный тип MDI-окна."));
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        auto* child = dynamic_cast<MdiChild*>(sub->widget());
        if (child && child->kind() == AKind && child->obj() == AObj) {
            if (sub->isMinimized())
                sub->showNormal();
            mdi_->setActiveSubWindow(sub);
            return child;
        }
    }
    auto* child = new MdiChild(AKind, AObj);
    child->setWindowTitle(caption);
    // New windows cascade inside the frame: two thirds of it, each a step lower and to the right.
    const int step = 28 * (mdi_->subWindowList().size() % 8);
    const QSize area = mdi_->viewport()->size();
    QMdiSubWindow* sub = mdi_->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setGeometry(step, step, std::max(360, area.width() * 2 / 3), std::max(240, area.height() * 2 / 3));
    sub->show();
    return child;
}

std::unique_ptr<QSettings> TMainForm::Settings() const
{
    if (db_->GuidStr.isEmpty())
        return nullptr;
    auto s = std::make_unique<QSettings>(QStringLiteral("Korvanta"), QStringLiteral("Korvanta"));
    s->beginGroup(db_->GuidStr);
    return s;
}

void TMainForm::SaveWindow()
{
    auto s = Settings();
    if (!s)
        return;
    const int state = isMinimized() ? 1 : isMaximized() ? 2 : 0;
    s->setValue(QStringLiteral("State"), state);
    if (state != 1) {
        const QRect r = state == 2 ? normalGeometry() : geometry();
        s->setValue(QStringLiteral("Left"), r.left());
        s->setValue(QStringLiteral("Top"), r.top());
        s->setValue(QStringLiteral("Width"), r.width());
        s->setValue(QStringLiteral("Height"), r.height());
    }
    s->setValue(QStringLiteral("Scale"), ScaleChoice());
    s->setValue(QStringLiteral("DPI"), 96);
}

void TMainForm::RestoreWindow()
{
    auto s = Settings();
    if (!s)
        return;
    const int stored = s->value(QStringLiteral("Scale"), 0).toInt();
    SetScale(stored >= 0 && stored <= 2 ? stored : 0);
    QScreen* primary = QGuiApplication::primaryScreen();
    const QRect primaryRect = primary ? primary->geometry() : QRect(0, 0, 1024, 768);
    StoredBounds b{s->value(QStringLiteral("Left")), s->value(QStringLiteral("Top")), s->value(QStringLiteral("Width")),
                   s->value(QStringLiteral("Height"))};
    QScreen* at = b.left.isValid() ? QGuiApplication::screenAt(QPoint(b.left.toInt(), b.top.toInt())) : nullptr;
    QScreen* screen = at ? at : primary;
    const QRect work = screen ? screen->availableGeometry() : primaryRect;
    setGeometry(RestoreBounds(b, primaryRect, work));
    boundsRestored_ = true;
    if (s->value(QStringLiteral("State")).toInt() == 2)
        showMaximized();
}

void TMainForm::SetScale(int choice)
{
    SetScaleChoice(choice);
    const char* names[] = {"miScaleDef", "miScale125", "miScale150"};
    action(names[ScaleChoice()])->setChecked(true);
    QFont f = QApplication::font();
    f.setPointSizeF(f.pointSizeF() * ScaledPPI(96) / 96.0);
    setFont(f);
}

void TMainForm::About()
{
    QDialog dialog(this);
    InitForm(&dialog, true);
    dialog.setWindowTitle(action("miAbout")->text());
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("Версия:"), new QLabel(QStringLiteral(KORVANTA_VERSION), &dialog));
    form->addRow(QStringLiteral("Конфигурация:"), new QLabel(configuration_, &dialog));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    dialog.adjustSize();
    CentreOver(this, &dialog);
    dialog.exec();
}

}  // namespace korvanta
