#pragma once
// TfDlgWarningSync: the warning at start that the workstation has not been
// synchronised with the central database for too many days.
#include <QDialog>
#include <cstdint>

class QLabel;
class QPushButton;
class TMoneyPanel;

namespace SyncChoice {
constexpr uint8_t Cancel = 1, Synchronise = 2, SynchroniseToFile = 3;
}

// The support mailbox the warning offers.
inline const QString SupportMailbox = QStringLiteral("support@tessal.example");

class TfDlgWarningSync : public QDialog {
    Q_OBJECT
public:
    // The day count is set before the texts are built.
    explicit TfDlgWarningSync(int32_t days, QWidget *parent = nullptr);

    int32_t days() const { return m_days; }
    uint8_t choice() const { return m_choice; }

    QLabel *LabelDays;
    QLabel *LabelAttention;
    QLabel *LabelRequest;
    TMoneyPanel *Panel;
    QPushButton *BitBtnStartSync;
    QLabel *LabelStartNote;
    QPushButton *BitBtnSyncFile;
    QLabel *LabelFileNote;
    QLabel *LabelMail;
    QPushButton *BitBtnCancel;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void choose(uint8_t choice);

    int32_t m_days;
    uint8_t m_choice = SyncChoice::Cancel;
};
