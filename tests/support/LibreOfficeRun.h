#pragma once
// LibreOffice headless, for reading our documents back as a user's office
// suite would. Each test process has one profile folder of its own, made by
// its first conversion and reused by the next ones: LibreOffice locks its
// profile, so two processes (test programs, or CTest's cases of one program
// running side by side) never share one, and the cases of one process run one
// after another. The folder is removed when the process ends.
#include <QString>

// How long one conversion may take. A start of LibreOffice with a fresh
// profile takes 10 s on a quiet machine and about a minute on one busy with
// builds; the test programs that convert have a CTest limit well above this
// (tests/CMakeLists.txt).
constexpr int LibreOfficeLimitSeconds = 300;

// The path of soffice, or empty when LibreOffice is not installed.
QString LibreOfficeProgram();
// Whether LibreOffice Calc, a package of its own beside the core, is installed.
bool HaveLibreOfficeCalc();
// Converts `file` into `outDir` with `--convert-to format` ("pdf",
// "doc:MS Word 97") and returns the path of the result. When LibreOffice
// fails or does not finish within LibreOfficeLimitSeconds, the test fails
// with a message saying which conversion it waited for, and the result is an
// empty path.
QString ConvertWithLibreOffice(const QString &file, const QString &format, const QString &outDir);
