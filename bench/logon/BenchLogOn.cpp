// The operator at the log-on dialog, for bench_startup: a dialogs library
// under the real file name (in a common-files folder of its own) whose
// ShowDlgLogin calls the real library's, and answers the real dialog as soon
// as it shows, with the name in BENCH_LOGON_USER and the empty password, by
// its OK button. The dialog is built and shown as the operator sees it; only
// the typing is left out. The moment of the answer goes to standard error.
#include "obDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <ctime>

#include <dlfcn.h>

extern "C" OBDIALOGS_EXPORT int32_t ShowDlgLogin(void *application, const char16_t *const *userNames,
                                                 int32_t userNameCount, char16_t *userName,
                                                 int32_t userNameCapacity, char16_t *password,
                                                 int32_t passwordCapacity, const char16_t *caption,
                                                 const char16_t *prompt, const char16_t *nameLabel,
                                                 const char16_t *passwordLabel, const char16_t *okText,
                                                 const char16_t *cancelText, const char16_t *passwordChar)
{
    // The real library lies beside the program, as the build puts it.
    const QByteArray real = (QCoreApplication::applicationDirPath() + "/Orbanet/libobDialogs.so").toLocal8Bit();
    void *library = dlopen(real.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return 0;
    using Function = decltype(&ShowDlgLogin);
    auto show = reinterpret_cast<Function>(dlsym(library, "ShowDlgLogin"));
    int32_t result = 0;
    if (show) {
        QTimer operatorAnswers;
        operatorAnswers.setInterval(1);
        QObject::connect(&operatorAnswers, &QTimer::timeout, [&operatorAnswers] {
            QWidget *dialog = QApplication::activeModalWidget();
            if (!dialog)
                return;
            operatorAnswers.stop();
            if (auto *names = dialog->findChild<QComboBox *>(QStringLiteral("editUserName")))
                names->setCurrentText(qEnvironmentVariable("BENCH_LOGON_USER"));
            if (auto *ok = dialog->findChild<QPushButton *>(QStringLiteral("buttonOk"))) {
                // When the operator answered, on the monotonic clock, for
                // bench_startup to time the wait after the log-on alone.
                timespec now{};
                ::clock_gettime(CLOCK_MONOTONIC, &now);
                std::fprintf(stderr, "bench-logon-answered %lld\n",
                             (long long)now.tv_sec * 1000000000 + now.tv_nsec);
                ok->click();
            }
        });
        operatorAnswers.start();
        result = show(application, userNames, userNameCount, userName, userNameCapacity, password, passwordCapacity,
                      caption, prompt, nameLabel, passwordLabel, okText, cancelText, passwordChar);
    }
    dlclose(library);
    return result;
}
