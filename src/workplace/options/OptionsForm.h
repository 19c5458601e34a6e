#pragma once
// TfOptions: the settings page of the main window: the range of blank
// numbers, the archive folder with its automatic copies, and the operator's
// own blank-number question flag.
#include "WorkPage.h"

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

class TfOptions : public QWidget, public WorkPage {
    Q_OBJECT
public:
    explicit TfOptions(QWidget *parent = nullptr);

    void TntFormShow();
    void BitBtnRefOkClick();
    void BitBtnRefCancelClick();
    void ButtonFolderClick();
    void BitBtnArchSaveClick();
    void CheckBoxBeginClick();
    void CheckBoxEndClick();
    void CheckBoxDlgPaperClick();

    QGroupBox *GroupRange;
    QLineEdit *EditRefMin;
    QLineEdit *EditRefMax;
    QPushButton *BitBtnRefOk;
    QPushButton *BitBtnRefCancel;
    QGroupBox *GroupArchive;
    QLineEdit *EditArchPath;
    QPushButton *ButtonFolder;
    QPushButton *BitBtnArchSave;
    QCheckBox *CheckBoxBegin;
    QCheckBox *CheckBoxEnd;
    QGroupBox *GroupFlags;
    QCheckBox *CheckBoxDlgPaper;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // One builder per group of the window.
    QGroupBox *buildRangeGroup();
    QGroupBox *buildArchiveGroup();
    QGroupBox *buildFlagsGroup();
    void showRange();
    void refuse(const QString &text);
};

// The option that turns the list's blank-number question on and off.
inline const QString DlgPaperOption = QStringLiteral("DlgPaper");
// The option's text read as a flag: "False" (any case) is off, anything else
// (missing or unreadable included) on.
bool DlgPaperFlag(const QString &stored);
// The flag's check-box caption: what unchecking or checking will do.
QString DlgPaperCaption(bool checked);
