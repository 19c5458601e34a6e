#include "DialogParts.h"
#include "LineBreaks.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace obdialogs {

QString TextIn(const char16_t *text)
{
    return text ? QString::fromUtf16(text) : QString();
}

bool IsBuffer(const char16_t *buffer, int32_t capacity)
{
    return buffer != nullptr && capacity >= 1;
}

void WriteText(char16_t *buffer, int32_t capacity, const QString &text)
{
    const qsizetype count = qMin<qsizetype>(text.size(), capacity - 1);
    for (qsizetype i = 0; i < count; ++i)
        buffer[i] = text.at(i).unicode();
    buffer[count] = 0;
}

bool HasWidgetApplication()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr;
}


void PrepareTextField(QLineEdit *edit, int32_t capacity, const QString &passwordChar)
{
    edit->setMaxLength(qMax(0, capacity - 1));
    if (passwordChar.isEmpty())
        return;
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: %1 }")
                            .arg(passwordChar.at(0).unicode()));
}

AnswerDialog::AnswerDialog(const QString &caption, const QString &prompt)
    : m_dialog(QApplication::activeWindow())
{
    m_dialog.setWindowTitle(caption);
    m_layout = new QVBoxLayout(&m_dialog);
    if (!prompt.isEmpty()) {
        auto *promptLabel = new QLabel(MessageToWidgetText(prompt));
        promptLabel->setObjectName(QStringLiteral("labelPrompt"));
        promptLabel->setWordWrap(true);
        m_layout->addWidget(promptLabel);
    }
    m_fields = new QFormLayout;
    m_layout->addLayout(m_fields);
}

AnswerDialog::~AnswerDialog() = default;

void AnswerDialog::addRow(const QString &label, QWidget *field)
{
    m_fields->addRow(label, field);
}

QLineEdit *AnswerDialog::addTextRow(const QString &label, const QString &objectName,
                                    const QString &initial, int32_t capacity,
                                    const QString &passwordChar)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(objectName);
    PrepareTextField(edit, capacity, passwordChar);
    edit->setText(initial);
    addRow(label, edit);
    return edit;
}

bool AnswerDialog::run(const QString &okText, const QString &cancelText)
{
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto *ok = new QPushButton(okText);
    ok->setObjectName(QStringLiteral("buttonOk"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(cancelText);
    cancel->setObjectName(QStringLiteral("buttonCancel"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    m_layout->addLayout(buttons);
    QObject::connect(ok, &QPushButton::clicked, &m_dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &m_dialog, &QDialog::reject);
    return m_dialog.exec() == QDialog::Accepted;
}

} // namespace obdialogs
