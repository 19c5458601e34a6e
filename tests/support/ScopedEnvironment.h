#pragma once
// Sets environment variables for the children started while it lives (an
// empty value unsets the variable) and puts the old values back afterwards.
#include <QByteArray>
#include <QList>
#include <QPair>

class ScopedEnvironment {
public:
    explicit ScopedEnvironment(const QList<QPair<const char *, QByteArray>> &variables)
    {
        for (const auto &[name, value] : variables) {
            m_saved.append({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
            value.isEmpty() ? qunsetenv(name) : qputenv(name, value);
        }
    }
    ~ScopedEnvironment()
    {
        for (const Saved &s : m_saved)
            s.wasSet ? qputenv(s.name, s.value) : qunsetenv(s.name);
    }
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    struct Saved {
        const char *name;
        QByteArray value;
        bool wasSet;
    };
    QList<Saved> m_saved;
};
