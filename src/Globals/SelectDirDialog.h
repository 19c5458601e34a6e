#pragma once
// TSelectDirDialog: asks the operator for a folder.
#include <QByteArray>
#include <QFlags>
#include <QObject>
#include <cstdint>

enum class TulFlag : uint32_t {
    sRETURNONLYFSDIRS = 0x0001,
    sDONTGOBELOWDOMAIN = 0x0002,
    sSTATUSTEXT = 0x0004,
    sRETURNFSANCESTORS = 0x0008,
    sBROWSEFORCOMPUTER = 0x1000,
    sBROWSEFORPRINTER = 0x2000,
    sBROWSEINCLUDEFILES = 0x4000,
};
Q_DECLARE_FLAGS(TulFlags, TulFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TulFlags)

class TSelectDirDialog : public QObject {
public:
    explicit TSelectDirDialog(QObject *owner = nullptr);

    // The browser's title line.
    QByteArray Caption() const { return m_caption; }
    void setCaption(const QByteArray &caption);
    TulFlags ulFlags() const { return m_flags; }
    void setUlFlags(TulFlags flags);
    // The browser flags the members stand for, summed.
    uint32_t BrowserFlags() const { return static_cast<uint32_t>(m_flags.toInt()); }
    // The folder chosen by the last Execute (UTF-8); empty when none was.
    QByteArray Directory() const { return m_directory; }

    // Asks for a folder through the file dialogs in use (without a screen
    // nobody is asked and nothing is chosen). True when a folder was
    // chosen; Directory then holds it. With sBROWSEINCLUDEFILES files are
    // listed beside the folders; the other flags have no counterpart here.
    bool Execute();

private:
    QByteArray m_caption;
    QByteArray m_directory;
    TulFlags m_flags;
};
