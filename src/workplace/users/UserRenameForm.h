#pragma once
// TfUserRename: asks for a user's new name.
#include <QDialog>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

class TfUserRename : public QDialog {
    Q_OBJECT
public:
    // UserId: the user being renamed; another user's name is refused.
    explicit TfUserRename(int64_t userId, QWidget *parent = nullptr);

    void ntBitBtnOkClick();

    QLineEdit *EditNewLogin;
    QLabel *StaticTextRequest;
    QLabel *ImageIcon;
    QPushButton *ntBitBtnOk;
    QPushButton *ntBitBtnCancel;

private:
    int64_t m_userId;
};
