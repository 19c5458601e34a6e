#pragma once
// The workstation file i.cod: which chamber and workstation this is, the
// chamber's key for the server, the server address and the certificate
// languages with the chamber's name and city in each. Enciphered XML issued by
// the central office; the program only reads it.
#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

struct WorkstationLanguage {
    QByteArray LangSymb; // two-letter code
    QString dovName;     // the chamber's name in that language
    QString dovCity;     // the chamber's city in that language
};

struct WorkstationFile {
    uint32_t Ver = 0;
    int32_t dovNumber = 0;
    int32_t NumLocale = 0;
    QByteArray dovKey;
    QString adr;
    int32_t port = 0;
    bool usersOld = false;
    QList<WorkstationLanguage> languages;
};

// The file's name in the data folder.
inline const QString WorkstationFileName = QStringLiteral("i.cod");

// Reads the deciphered XML with every check; a failure raises AppError with the
// text the operator is shown.
WorkstationFile ParseWorkstationFile(const QByteArray &xml);
// Reads the file, deciphers it with the built-in key and parses it.
WorkstationFile ReadWorkstationFile(const QString &fileName);
// Puts the chamber, workstation, key, server and flags into the application state.
void ApplyWorkstationFile(const WorkstationFile &file);
