#include "LoginDialog.h"

#include "Common.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

namespace korvanta {

LoginDialog::LoginDialog(QWidget* parent) : QDialog(parent)
{
    InitForm(this, true);
    setWindowTitle(QStringLiteral("Авторизация"));
    auto* form = new QFormLayout(this);
    login_ = new QLineEdit(this);
    login_->setObjectName(QStringLiteral("USR_LOGIN"));
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("USR_PAS"));
    password_->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("Логин"), login_);
    form->addRow(QStringLiteral("Пароль"), password_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ОК"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setMinimumWidth(320);
}

void LoginDialog::setLogin(const QString& login)
{
    login_->setText(login);
}

QString LoginDialog::login() const
{
    return login_->text();
}

QString LoginDialog::password() const
{
    return password_->text();
}

void LoginDialog::applyFocusRule()
{
    if (login_->text().isEmpty())
        login_->setFocus();
    else
        password_->setFocus();
}

}  // namespace korvanta
