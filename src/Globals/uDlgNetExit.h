#pragma once
// The "Stop" dialog that start-up shows when another run holds the database,
// and the identifier of this run.
#include <QDialog>
#include <QPushButton>
#include <QUuid>

class QLabel;

// Made once per run, when the program starts; never changes.
const QUuid &InstanceGuid();
// Its text form as the interlock stores it: 38 characters, upper case, in braces.
QString InstanceGuidText();

// A push button whose caption wraps over several lines.
class TWrappedButton : public QPushButton {
public:
    explicit TWrappedButton(const QString &caption, QWidget *parent = nullptr);
    QString caption() const;

private:
    QLabel *m_label;
};

class TFormDlgNetExit : public QDialog {
public:
    // Modal results of the two buttons.
    static constexpr int ResultClearOther = 6; // "Yes": disconnect the other run, then exit
    static constexpr int ResultExit = 7;       // "No": exit, the other run goes on

    static const QString MessageText;
    static const QString ExitCaption;
    static const QString ClearCaption;

    // Centred on parent (the main window).
    explicit TFormDlgNetExit(QWidget *parent = nullptr);

    QLabel *TntStaticText1;
    TWrappedButton *ButtonExit;
    TWrappedButton *ButtonClear;

private:
    void fitToTexts();
};
