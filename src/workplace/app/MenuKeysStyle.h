#pragma once
// The style of TessalCert's windows: the platform's own, with the Alt key
// alone taking the keyboard to the menu bar, as on the desktops operators know,
// and its standard pictures read when drawn, at the size drawn (the windows
// Qt makes ask for some: the menu bar's extension button, message boxes).
#include <QProxyStyle>

class QMenu;

class MenuKeysStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption *option = nullptr, const QWidget *widget = nullptr,
                  QStyleHintReturn *returnData = nullptr) const override;
    QIcon standardIcon(StandardPixmap standard, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};

// Puts MenuKeysStyle over the application's present style.
void InstallMenuKeysStyle();

// Gives every item of the menu that has none a mnemonic of its own in that
// menu: the first letter of one of its words where that is free, else any
// free letter of its caption. Items that have one keep it. The caption shows
// unchanged, with the letter underlined; buttons showing the same action show
// it without the mark.
void GiveMenuMnemonics(QMenu *menu);
