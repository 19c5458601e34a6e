#ifndef OBDIALOGS_H
#define OBDIALOGS_H
/*
 * obDialogs: four modal dialogs for TessalCert, as a plain C interface.
 *
 * The program loads the library by its full path with dlopen, looks each
 * function up by name with dlsym and unloads it after the call.
 *
 * Conventions of every function:
 * - Texts passed in are zero-terminated UTF-16 (char16_t); a null pointer
 *   reads as an empty text.
 * - A text passed in and out is a caller-owned buffer of `capacity` UTF-16
 *   units (terminator included) that holds a zero-terminated text on entry.
 *   Only when the function returns 1 has it written the answer there, again
 *   zero-terminated. The dialog never accepts more than capacity - 1 units,
 *   so an answer is never cut. A null buffer or a capacity below 1 makes the
 *   function return 0 without showing anything.
 * - Dates are day numbers: day 0 is 30 December 1899.
 * - `application` is the program's QApplication object
 *   (QCoreApplication::instance()); the dialog is modal over the program's
 *   active window.
 * - Each function returns a 32-bit integer: 1 when the operator confirmed,
 *   0 when he cancelled or the dialog could not be shown (no QApplication in
 *   the process, bad arguments). Call them on the thread that runs the
 *   program's QApplication.
 */
#include <stdint.h>
#ifndef __cplusplus
#include <uchar.h>
#endif

#if defined(OBDIALOGS_BUILD)
#define OBDIALOGS_EXPORT __attribute__((visibility("default")))
#else
#define OBDIALOGS_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Log-on: a list of user names to pick from (or type another), a password.
   userName in: the proposed name; password in: usually empty.
   1: OK, both buffers hold the answer. */
OBDIALOGS_EXPORT int32_t ShowDlgLogin(void *application,
                                      const char16_t *const *userNames, int32_t userNameCount,
                                      char16_t *userName, int32_t userNameCapacity,
                                      char16_t *password, int32_t passwordCapacity,
                                      const char16_t *caption, const char16_t *prompt,
                                      const char16_t *nameLabel, const char16_t *passwordLabel,
                                      const char16_t *okText, const char16_t *cancelText,
                                      const char16_t *passwordChar);

/* Date choice. *date in: the date shown first; out (on 1): the date chosen.
   earliest: the earliest date offered (an initial date before it is still
   offered). 1: a date was chosen. */
OBDIALOGS_EXPORT int32_t ShowDlgSelectDate(int32_t *date, int32_t earliest,
                                           const char16_t *caption,
                                           const char16_t *yesText, const char16_t *noText);

/* Log-on to the project service: account and password (in: the remembered
   ones), the user's name and the project number (in: empty).
   1: OK, all four buffers hold the answer. */
OBDIALOGS_EXPORT int32_t ShowDlgSimLogin(char16_t *account, int32_t accountCapacity,
                                         char16_t *password, int32_t passwordCapacity,
                                         char16_t *userName, int32_t userNameCapacity,
                                         char16_t *projectNumber, int32_t projectNumberCapacity,
                                         const char16_t *caption, const char16_t *prompt,
                                         const char16_t *accountLabel, const char16_t *passwordLabel,
                                         const char16_t *okText, const char16_t *cancelText,
                                         const char16_t *passwordChar,
                                         const char16_t *userNameLabel,
                                         const char16_t *projectNumberLabel);

/* About box: caption, program description, version line, contact text and
   the button text. Returns 1 once closed. */
OBDIALOGS_EXPORT int32_t ShowDlgAbout(void *application, const char16_t *caption,
                                      const char16_t *description, const char16_t *version,
                                      const char16_t *contact, const char16_t *okText);

#ifdef __cplusplus
}
#endif

#endif /* OBDIALOGS_H */
