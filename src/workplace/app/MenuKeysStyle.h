#pragma once
// The style of TessalCert's windows: the platform's own, with the Alt key
// alone taking the keyboard to the menu bar, as on the desktops operators know.
#include <QProxyStyle>

class MenuKeysStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption *option = nullptr, const QWidget *widget = nullptr,
                  QStyleHintReturn *returnData = nullptr) const override;
};

// Puts MenuKeysStyle over the application's present style.
void InstallMenuKeysStyle();
