#pragma once
// The login card: login and password (shown as "*"), OK and cancel.

#include <QDialog>

class QLineEdit;

namespace korvanta {

class LoginDialog : public QDialog {
    Q_OBJECT
public:
    explicit LoginDialog(QWidget* parent = nullptr);
    void setLogin(const QString& login);
    QString login() const;
    QString password() const;
    // Focus on the login when it is empty, else on the password.
    void applyFocusRule();

private:
    QLineEdit* login_;
    QLineEdit* password_;
};

}  // namespace korvanta
