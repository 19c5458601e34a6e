#pragma once
// The words of Restavo's command line: split at ",", where a run of commas
// counts as one separator and leading commas are skipped (an empty argument
// therefore does not exist as a word). Words are numbered from 1.
#include <QMap>
#include <QString>
#include <QStringList>

class CommandWords {
public:
    // Takes the values of secret words (see RestavoCommand.h) from the
    // environment and removes them from it, so that nothing Restavo starts
    // inherits them.
    explicit CommandWords(const QString &commandLine);

    int count() const { return static_cast<int>(m_words.size()); }
    // The word as it stands (or a secret word's value); empty when missing.
    QString text(int number) const;
    // The word as a decimal integer; raises AppError when it is not one.
    qint32 integer(int number) const;

private:
    QStringList m_words;
    QMap<int, QString> m_secrets;
};
