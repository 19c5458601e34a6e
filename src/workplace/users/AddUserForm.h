#pragma once
// TfAddUser: the dialog for a new user (name, password, repeated password)
// or for a new password of an existing user (old and new password).
#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

class TfAddUser : public QDialog {
    Q_OBJECT
public:
    explicit TfAddUser(QWidget *parent = nullptr);
    ~TfAddUser() override;

    // A new user; the caller empties StoredPasswordHash first. True on OK.
    bool ShowAdd();
    // A new password for the user Name; the caller sets StoredPasswordHash
    // to that user's stored hash first. True on OK.
    bool ShowProperties(const QString &Name);
    // What ShowAdd and ShowProperties do before the dialog runs (tests drive
    // the dialog from here without running it).
    void prepareAdd();
    void prepareProperties(const QString &Name);

    void ButtonOkClick();

    // Failed password checks in this showing; three close the dialog.
    int PasswordAttempts = 0;
    // The stored hash of the user whose password changes; empty for a new user.
    QString StoredPasswordHash;
    // The accepted user name and the hash of the accepted new password.
    QString EnteredUserName;
    QString NewPasswordHash;

    QLineEdit *ntEditName;
    QLineEdit *ntEditOldPassword;
    QLineEdit *ntEditNewPassword;
    QLabel *LabelName;
    QLabel *LabelOldPassword;
    QLabel *LabelNewPassword;
    QPushButton *ButtonOk;
    QPushButton *ButtonCancel;

private:
    void resetState();
    void showError(const QString &text);
};
