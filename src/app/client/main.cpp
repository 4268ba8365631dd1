// The desktop program.
#include "net/TCliCon.h"
#include "ui/app/Common.h"
#include "ui/app/MainForm.h"

#include <QApplication>

using namespace korvanta;

namespace {

// Every exception that reaches the event loop is shown as an error box.
class TApp : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const SilentAbort&) {
        } catch (const ExceptionPos& e) {
            MsgDlg(e.message(), MsgKind::Error, QMessageBox::Ok, qobject_cast<QWidget*>(e.Parent()));
        } catch (const std::exception& e) {
            MsgDlg(QString::fromUtf8(e.what()), MsgKind::Error, QMessageBox::Ok);
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    TApp app(argc, argv);
    app.setApplicationName(QStringLiteral("Korvanta Platform"));
    app.setOrganizationName(QStringLiteral("Korvanta"));
    TMainForm form(std::make_unique<TCliCon>());
    form.db().OnServerLost = [](const QString& message) {
        MsgDlg(message, MsgKind::Error, QMessageBox::Ok);
        QApplication::exit(1);
    };
    form.show();
    return app.exec();
}
