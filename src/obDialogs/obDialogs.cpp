// The four exported dialogs.
#include "obDialogs.h"
#include "DialogParts.h"
#include "LineBreaks.h"
#include "DayNumbers.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace obdialogs;

extern "C" int32_t ShowDlgLogin(void *application, const char16_t *const *userNames,
                                int32_t userNameCount, char16_t *userName, int32_t userNameCapacity,
                                char16_t *password, int32_t passwordCapacity,
                                const char16_t *caption, const char16_t *prompt,
                                const char16_t *nameLabel, const char16_t *passwordLabel,
                                const char16_t *okText, const char16_t *cancelText,
                                const char16_t *passwordChar)
{
    if (!HasWidgetApplication() || !IsBuffer(userName, userNameCapacity)
        || !IsBuffer(password, passwordCapacity) || userNameCount < 0
        || (userNameCount > 0 && userNames == nullptr))
        return 0;

    AnswerDialog form(TextIn(caption), TextIn(prompt));
    auto *names = new QComboBox;
    names->setObjectName(QStringLiteral("editUserName"));
    names->setEditable(true);
    names->setInsertPolicy(QComboBox::NoInsert);
    for (int32_t i = 0; i < userNameCount; ++i)
        names->addItem(TextIn(userNames[i]));
    PrepareTextField(names->lineEdit(), userNameCapacity, QString());
    names->setCurrentText(TextIn(userName));
    form.addRow(TextIn(nameLabel), names);
    QLineEdit *secret = form.addTextRow(TextIn(passwordLabel), QStringLiteral("editPassword"),
                                        TextIn(password), passwordCapacity, TextIn(passwordChar));
    if (!TextIn(userName).isEmpty())
        secret->setFocus();

    if (!form.run(TextIn(okText), TextIn(cancelText)))
        return 0;
    WriteText(userName, userNameCapacity, names->currentText());
    WriteText(password, passwordCapacity, secret->text());
    return 1;
}

extern "C" int32_t ShowDlgSelectDate(int32_t *date, int32_t earliest, const char16_t *caption,
                                     const char16_t *yesText, const char16_t *noText)
{
    if (!HasWidgetApplication() || date == nullptr)
        return 0;

    AnswerDialog form(TextIn(caption), QString());
    auto *calendar = new QCalendarWidget;
    calendar->setObjectName(QStringLiteral("calendar"));
    const QDate initial = DateOfDayNumber(*date);
    calendar->setMinimumDate(qMin(initial, DateOfDayNumber(earliest)));
    calendar->setSelectedDate(initial);
    form.dialog().layout()->addWidget(calendar);
    QObject::connect(calendar, &QCalendarWidget::activated, &form.dialog(), &QDialog::accept);

    if (!form.run(TextIn(yesText), TextIn(noText)))
        return 0;
    *date = static_cast<int32_t>(DayNumberOf(calendar->selectedDate()));
    return 1;
}

extern "C" int32_t ShowDlgSimLogin(char16_t *account, int32_t accountCapacity, char16_t *password,
                                   int32_t passwordCapacity, char16_t *userName,
                                   int32_t userNameCapacity, char16_t *projectNumber,
                                   int32_t projectNumberCapacity, const char16_t *caption,
                                   const char16_t *prompt, const char16_t *accountLabel,
                                   const char16_t *passwordLabel, const char16_t *okText,
                                   const char16_t *cancelText, const char16_t *passwordChar,
                                   const char16_t *userNameLabel,
                                   const char16_t *projectNumberLabel)
{
    if (!HasWidgetApplication() || !IsBuffer(account, accountCapacity)
        || !IsBuffer(password, passwordCapacity) || !IsBuffer(userName, userNameCapacity)
        || !IsBuffer(projectNumber, projectNumberCapacity))
        return 0;

    AnswerDialog form(TextIn(caption), TextIn(prompt));
    QLineEdit *accountEdit = form.addTextRow(TextIn(accountLabel), QStringLiteral("editAccount"),
                                             TextIn(account), accountCapacity);
    QLineEdit *passwordEdit = form.addTextRow(TextIn(passwordLabel), QStringLiteral("editPassword"),
                                              TextIn(password), passwordCapacity, TextIn(passwordChar));
    QLineEdit *userEdit = form.addTextRow(TextIn(userNameLabel), QStringLiteral("editUserName"),
                                          TextIn(userName), userNameCapacity);
    QLineEdit *projectEdit = form.addTextRow(TextIn(projectNumberLabel),
                                             QStringLiteral("editProjectNumber"),
                                             TextIn(projectNumber), projectNumberCapacity);

    if (!form.run(TextIn(okText), TextIn(cancelText)))
        return 0;
    WriteText(account, accountCapacity, accountEdit->text());
    WriteText(password, passwordCapacity, passwordEdit->text());
    WriteText(userName, userNameCapacity, userEdit->text());
    WriteText(projectNumber, projectNumberCapacity, projectEdit->text());
    return 1;
}

extern "C" int32_t ShowDlgAbout(void *application, const char16_t *caption,
                                const char16_t *description, const char16_t *version,
                                const char16_t *contact, const char16_t *okText)
{
    if (!HasWidgetApplication())
        return 0;

    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(TextIn(caption));
    auto *layout = new QVBoxLayout(&dialog);
    const struct {
        const char16_t *text;
        const char *name;
    } lines[] = {{description, "labelDescription"}, {version, "labelVersion"}, {contact, "labelContact"}};
    for (const auto &line : lines) {
        auto *label = new QLabel(MessageToWidgetText(TextIn(line.text)));
        label->setObjectName(QLatin1String(line.name));
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(label);
    }
    auto *ok = new QPushButton(TextIn(okText));
    ok->setObjectName(QStringLiteral("buttonOk"));
    ok->setDefault(true);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    // Wrapped texts would let the box shrink below its caption: keep it wide
    // enough for the whole caption and for readable lines.
    constexpr int CaptionBarReserve = 96, ReadableWidth = 360;
    dialog.setMinimumWidth(
        std::max(ReadableWidth, dialog.fontMetrics().horizontalAdvance(dialog.windowTitle()) + CaptionBarReserve));
    dialog.exec();
    return 1;
}
