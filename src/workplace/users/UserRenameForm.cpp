#include "UserRenameForm.h"

#include "Prompter.h"
#include "TessalApplication.h"
#include "UserRules.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfUserRename::TfUserRename(int64_t userId, QWidget *parent) : QDialog(parent), m_userId(userId)
{
    setObjectName(QStringLiteral("fUserRename"));
    setWindowTitle(ApplicationTitle() + QStringLiteral(": ") + QStringLiteral("Переименование пользователя"));
    ImageIcon = new QLabel(this);
    ImageIcon->setObjectName(QStringLiteral("ImageIcon"));
    ImageIcon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    StaticTextRequest = new QLabel(
        QStringLiteral("Укажите фамилию, имя и отчество пользователя.\nНапример: Иванов Иван Иванович"), this);
    StaticTextRequest->setObjectName(QStringLiteral("StaticTextRequest"));
    EditNewLogin = new QLineEdit(this);
    EditNewLogin->setObjectName(QStringLiteral("EditNewLogin"));
    EditNewLogin->setMaxLength(64);
    ntBitBtnOk = new QPushButton(QStringLiteral("Ok"), this);
    ntBitBtnOk->setObjectName(QStringLiteral("ntBitBtnOk"));
    ntBitBtnOk->setDefault(true);
    ntBitBtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ntBitBtnCancel->setObjectName(QStringLiteral("ntBitBtnCancel"));

    auto *top = new QHBoxLayout;
    top->addWidget(ImageIcon);
    top->addWidget(StaticTextRequest, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ntBitBtnOk);
    buttons->addWidget(ntBitBtnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(EditNewLogin);
    layout->addLayout(buttons);

    connect(ntBitBtnOk, &QPushButton::clicked, this, &TfUserRename::ntBitBtnOkClick);
    connect(ntBitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfUserRename::ntBitBtnOkClick()
{
    const QString name = EditNewLogin->text().trimmed();
    QString refusal;
    if (name.isEmpty())
        refusal = UserNameRequiredText;
    else if (IsReservedUserName(name))
        refusal = QStringLiteral("Имя Администратор использовать запрещено");
    else if (CheckDupUser(name, m_userId))
        refusal = DuplicateUserText;
    if (!refusal.isEmpty()) {
        Prompts().ask(refusal, ApplicationTitle(), Prompt::Error, Prompt::Ok);
        return;
    }
    accept();
}
