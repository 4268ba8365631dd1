#pragma once
// Shared routines of every window: the message box with the system's
// captions and button names, the scale choice, dialog placement, form
// set-up, the wait cursor and the file-dialog presets.

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;
class QFileDialog;

namespace korvanta {

enum class MsgKind { Warning = 0, Error = 1, Information = 2, Confirmation = 3 };

// Shows a modal message box and returns the button that closed it.
QMessageBox::StandardButton MsgDlg(const QString& text, MsgKind kind, QMessageBox::StandardButtons buttons,
                                   QWidget* anchor = nullptr);

// Tests answer message boxes through this hook instead of a screen.
using MsgDlgHook = std::function<QMessageBox::StandardButton(const QString& text, MsgKind kind,
                                                             QMessageBox::StandardButtons buttons)>;
void SetMsgDlgHook(MsgDlgHook hook);

void InitForm(QWidget* form, bool restrictedIcons = false);
// The user's scale choice (0..2) on top of the screen's own scaling.
int ScaleChoice();
void SetScaleChoice(int choice);
// Pixels per inch to lay windows out with, for a screen density p.
int ScaledPPI(int p = 96);
void CentreOver(QWidget* anchor, QWidget* dialog);
void TextFileDialogPreset(QFileDialog& dialog);
void DocumentDialogPreset(QFileDialog& dialog);

// The hourglass while database work runs; restored however the scope ends.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
};

}  // namespace korvanta
