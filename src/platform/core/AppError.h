#pragma once
// The one exception type of our own code. It carries the text the operator or
// the journal sees; what() gives the same text in UTF-8.
#include <QString>
#include <stdexcept>

class AppError : public std::runtime_error {
public:
    explicit AppError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

// The text of any exception as the journal records it.
inline QString ExceptionText(const std::exception &e)
{
    if (auto *app = dynamic_cast<const AppError *>(&e))
        return app->message();
    return QString::fromUtf8(e.what());
}
