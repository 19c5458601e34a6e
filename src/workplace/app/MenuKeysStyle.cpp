#include "MenuKeysStyle.h"

#include <QApplication>
#include <QStyleFactory>

int MenuKeysStyle::styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                             QStyleHintReturn *returnData) const
{
    if (hint == SH_MenuBar_AltKeyNavigation)
        return 1;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void InstallMenuKeysStyle()
{
    if (dynamic_cast<MenuKeysStyle *>(QApplication::style()))
        return;
    QApplication::setStyle(new MenuKeysStyle(QStyleFactory::create(QApplication::style()->name())));
}
