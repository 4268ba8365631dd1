#pragma once
// The main window: an MDI frame whose children are the working windows. It
// runs the log-in sequence (server, database, configuration name,
// catalogue, login prompt, menus from the user's rights), opens child
// windows (one per kind and object), keeps per-database window settings and
// logs out on "Авторизация..." and on closing.

#include "catalogue/TObj.h"
#include "db/TDB.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

class QAction;
class QActionGroup;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QProgressBar;
class QSettings;
class QToolButton;

namespace korvanta {

// Kinds of child window.
enum MdiKind {
    mkBase = 0, mkData = 1, mkImport = 2, mkConf = 3, mkAcc = 4, mkSumTable = 5, mkNotice = 6, mkTmplDoc = 7,
    mkFltr = 8
};

// Restoring a window's bounds from stored values: defaults, limits of the work area.
struct StoredBounds {
    QVariant left, top, width, height;  // invalid when not stored
};
QRect RestoreBounds(const StoredBounds& stored, const QRect& primary, const QRect& workArea);

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // `link` is the connection to the server service (the packet client in the program).
    explicit TMainForm(std::unique_ptr<ServerLink> link, QWidget* parent = nullptr);
    ~TMainForm() override;

    TDB& db() { return *db_; }
    TObjList& ObjList() { return *list_; }
    bool Inited() const { return inited_; }
    bool LoggingIn() const { return loggingIn_; }
    QString Configuration() const { return configuration_; }
    QMdiArea* mdiArea() const { return mdi_; }
    QLabel* userLabel() const { return lbLogin_; }

    void LogIn();
    void LogOut();
    void BuildMenus();
    void BuildDataMenu();
    // Activates the child of that kind and object, or creates it.
    QWidget* OpenWindow(TObj* AObj, int AKind, const QString& caption = QString());

    // Asks for the login and password; false when the user cancels. The
    // program shows the login dialog; tests answer here.
    std::function<bool(QString& login, QString& password, int attempt)> LoginPrompt;

    // Per-database settings (a group per database GUID).
    void SaveWindow();
    void RestoreWindow();
    void SetScale(int choice);

    QMenu* menu(const QString& objectName) const;
    QAction* action(const QString& objectName) const;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void CreateMenus();
    void Disconnect();
    bool PromptLogin(QString& login, QString& password, int attempt);
    void ShowProgress(bool on);
    void About();
    std::unique_ptr<QSettings> Settings() const;

    std::unique_ptr<TDB> db_;
    std::unique_ptr<TObjList> list_;
    QMdiArea* mdi_;
    QLabel* lbLogin_;
    QToolButton* tbNotice_;
    QProgressBar* progress_;
    QActionGroup* scaleGroup_;
    bool inited_ = false;
    bool loggingIn_ = false;
    bool closeRequested_ = false;
    bool shownOnce_ = false;
    bool boundsRestored_ = false;
    QString lastLogin_;
    QString configuration_;
};

}  // namespace korvanta
