#include "Common.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <cmath>

namespace korvanta {

namespace {
MsgDlgHook g_hook;
int g_scaleChoice = 0;
}  // namespace

void SetMsgDlgHook(MsgDlgHook hook)
{
    g_hook = std::move(hook);
}

QMessageBox::StandardButton MsgDlg(const QString& text, MsgKind kind, QMessageBox::StandardButtons buttons,
                                   QWidget* anchor)
{
    if (g_hook)
        return g_hook(text, kind, buttons);
    QWidget* owner = anchor ? anchor->window() : QApplication::activeWindow();
    QMessageBox box(owner);
    box.setText(text);
    box.setStandardButtons(buttons);
    switch (kind) {
    case MsgKind::Warning:
        box.setIcon(QMessageBox::Warning);
        box.setWindowTitle(QStringLiteral("Внимание"));
        break;
    case MsgKind::Error:
        box.setIcon(QMessageBox::Critical);
        box.setWindowTitle(QStringLiteral("Ошибка"));
        break;
    case MsgKind::Confirmation:
        box.setIcon(QMessageBox::Question);
        box.setWindowTitle(QStringLiteral("Подтверждение"));
        break;
    case MsgKind::Information:
        box.setIcon(QMessageBox::Information);
        box.setWindowTitle(QStringLiteral("Information"));
        break;
    }
    const std::pair<QMessageBox::StandardButton, const char*> names[] = {
        {QMessageBox::Yes, "&Да"}, {QMessageBox::No, "&Нет"}, {QMessageBox::Cancel, "&Отмена"},
        {QMessageBox::YesToAll, "Да всем"}};
    for (auto [button, caption] : names)
        if (QAbstractButton* b = box.button(button))
            b->setText(QString::fromUtf8(caption));
    box.adjustSize();
    CentreOver(anchor, &box);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void InitForm(QWidget* form, bool restrictedIcons)
{
    QFont f = form->font();
    f.setPointSize(9);
    form->setFont(f);
    if (restrictedIcons)
        form->setWindowFlags(form->windowFlags() & ~Qt::WindowMinimizeButtonHint);
}

int ScaleChoice()
{
    return g_scaleChoice;
}

void SetScaleChoice(int choice)
{
    g_scaleChoice = choice >= 0 && choice <= 2 ? choice : 0;
}

int ScaledPPI(int p)
{
    auto roundAway = [](double x) { return static_cast<int>(x < 0 ? std::ceil(x - 0.5) : std::floor(x + 0.5)); };
    switch (g_scaleChoice) {
    case 1: return 24 * roundAway(p * 1.25 / 24);
    case 2: return 48 * roundAway(p * 1.5 / 48);
    default: return p;
    }
}

void CentreOver(QWidget* anchor, QWidget* dialog)
{
    QWidget* over = anchor ? anchor : dialog->parentWidget();
    QScreen* screen = over ? over->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect work = screen->availableGeometry();
    QSize size = dialog->size().boundedTo(work.size());
    dialog->resize(size);
    QRect target = over ? QRect(over->mapToGlobal(QPoint(0, 0)), over->size()) : work;
    int x = target.left() + (target.width() - size.width()) / 2;
    int y = target.top() + (target.height() - size.height()) / 2;
    x = std::max(std::min(x, work.right() + 1 - size.width()), work.left());
    y = std::max(std::min(y, work.bottom() + 1 - size.height()), work.top());
    dialog->move(x, y);
}

void TextFileDialogPreset(QFileDialog& dialog)
{
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setNameFilters({QStringLiteral("Текстовые файлы (*.txt)"), QStringLiteral("Все файлы (*)")});
}

void DocumentDialogPreset(QFileDialog& dialog)
{
    dialog.setNameFilters({QStringLiteral("Документы Word (*.docx *.doc* *.rtf)")});
}

WaitCursor::WaitCursor()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

}  // namespace korvanta
