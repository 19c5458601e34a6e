#pragma once
// The package list Package.cod beside the program: a plain XML data packet
// whose ROWDATA holds one ROW (lang, name) per kind of package. It seeds the
// package phrases of a new database.
#include <QByteArray>
#include <QList>
#include <QString>

struct PackagePhrase {
    QByteArray lang;
    QString name;
};

inline const QString PackageListFileName = QStringLiteral("Package.cod");

// The ROW children of ROWDATA, both attributes without the characters XML
// cannot carry (a character reference can still bring them in); other
// children are skipped. Raises AppError when the file cannot be read or
// is not XML with a ROWDATA.
QList<PackagePhrase> ReadPackageList(const QString &fileName);
