#include "AddUserForm.h"

#include "CaptionWidth.h"
#include "HelpPages.h"
#include "Prompter.h"
#include "TessalApplication.h"
#include "UserRules.h"
#include "ggLayoutStore.h"
#include "CommonTessal.h"
#include "StylePicture.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

namespace {
// Passwords are masked with "*".
const QString PasswordStars = QStringLiteral("lineedit-password-character: 42");
// Room for the labels, the name and the error texts beside them.
constexpr int ReadableWidth = 380;
} // namespace

TfAddUser::TfAddUser(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fAddUser"));
    ntEditName = new QLineEdit(this);
    ntEditName->setObjectName(QStringLiteral("ntEditName"));
    ntEditName->setMaxLength(64);
    ntEditOldPassword = new QLineEdit(this);
    ntEditOldPassword->setObjectName(QStringLiteral("ntEditOldPassword"));
    ntEditOldPassword->setEchoMode(QLineEdit::Password);
    ntEditOldPassword->setStyleSheet(PasswordStars);
    ntEditNewPassword = new QLineEdit(this);
    ntEditNewPassword->setObjectName(QStringLiteral("ntEditNewPassword"));
    ntEditNewPassword->setEchoMode(QLineEdit::Password);
    ntEditNewPassword->setStyleSheet(PasswordStars);
    LabelName = new QLabel(QStringLiteral("Имя"), this);
    LabelOldPassword = new QLabel(this);
    LabelNewPassword = new QLabel(this);

    ButtonOk = new QPushButton(StylePicture(QStyle::SP_DialogOkButton), QStringLiteral("Ok"), this);
    ButtonOk->setObjectName(QStringLiteral("ButtonOk"));
    ButtonOk->setToolTip(QStringLiteral("Подтвердить изменение пароля"));
    ButtonOk->setDefault(true);
    ButtonCancel =
        new QPushButton(StylePicture(QStyle::SP_DialogCancelButton), QStringLiteral("Отмена"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonCancel->setToolTip(QStringLiteral("Отказаться от изменения пароля"));

    auto *form = new QFormLayout;
    form->addRow(LabelName, ntEditName);
    form->addRow(LabelOldPassword, ntEditOldPassword);
    form->addRow(LabelNewPassword, ntEditNewPassword);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonOk);
    buttons->addWidget(ButtonCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(ButtonOk, &QPushButton::clicked, this, &TfAddUser::ButtonOkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ntEditName, &QLineEdit::editingFinished, this,
            [this] { ntEditName->setText(ntEditName->text().trimmed()); });
    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [] { OpenHelpContext(HelpContext::Contents); });
    RestoreLayout(this);
}

TfAddUser::~TfAddUser()
{
    try {
        KeepLayout(this);
    } catch (const std::exception &e) {
        LogException("AddUserForm.TfAddUser.TntFormDestroy", e);
    }
}

void TfAddUser::resetState()
{
    PasswordAttempts = 0;
    NewPasswordHash.clear();
    EnteredUserName.clear();
    ntEditOldPassword->clear();
    ntEditNewPassword->clear();
}

void TfAddUser::prepareAdd()
{
    resetState();
    ntEditName->clear();
    ntEditName->setEnabled(true);
    LabelOldPassword->setText(QStringLiteral("Пароль:"));
    LabelNewPassword->setText(QStringLiteral("Проверка:"));
    setWindowTitle(QStringLiteral("Добавить пользователя"));
    KeepCaptionVisible(this, ReadableWidth);
    ntEditName->setFocus();
}

void TfAddUser::prepareProperties(const QString &Name)
{
    resetState();
    ntEditName->setText(Name);
    ntEditName->setEnabled(false);
    LabelOldPassword->setText(QStringLiteral("Старый пароль:"));
    LabelNewPassword->setText(QStringLiteral("Новый пароль:"));
    setWindowTitle(QStringLiteral("Свойства пользователя"));
    KeepCaptionVisible(this, ReadableWidth);
    ntEditOldPassword->setFocus();
}

bool TfAddUser::ShowAdd()
{
    prepareAdd();
    return exec() == QDialog::Accepted;
}

bool TfAddUser::ShowProperties(const QString &Name)
{
    prepareProperties(Name);
    return exec() == QDialog::Accepted;
}

void TfAddUser::showError(const QString &text)
{
    Prompts().ask(text, ApplicationTitle(), Prompt::Error, Prompt::Ok);
}

void TfAddUser::ButtonOkClick()
{
    const QString name = ntEditName->text().trimmed();
    ntEditName->setText(name);
    if (name.isEmpty()) {
        showError(UserNameRequiredText);
        return;
    }
    const bool newUser = StoredPasswordHash.isEmpty();
    bool keepOpen = false;
    if (newUser && CheckDupUser(name)) {
        showError(DuplicateUserText);
        ntEditName->setFocus();
        keepOpen = true;
    }
    const bool passwordAccepted =
        newUser ? ntEditOldPassword->text() == ntEditNewPassword->text()
                : QString::fromLatin1(PasswordHashOf(ntEditOldPassword->text())) == StoredPasswordHash;
    if (!passwordAccepted) {
        showError(newUser ? QStringLiteral("Пароли не совпадают!")
                          : QStringLiteral("Необходимо правильно указать старый пароль!"));
        ntEditOldPassword->setFocus();
        if (++PasswordAttempts > 2)
            reject();
        return;
    }
    if (keepOpen)
        return;
    NewPasswordHash = QString::fromLatin1(PasswordHashOf(ntEditNewPassword->text()));
    EnteredUserName = name;
    accept();
}
