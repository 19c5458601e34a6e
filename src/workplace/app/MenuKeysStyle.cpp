#include "MenuKeysStyle.h"
#include "StylePicture.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSet>
#include <QStyleFactory>

int MenuKeysStyle::styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                             QStyleHintReturn *returnData) const
{
    if (hint == SH_MenuBar_AltKeyNavigation)
        return 1;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

QIcon MenuKeysStyle::standardIcon(StandardPixmap standard, const QStyleOption *option, const QWidget *widget) const
{
    // A picture for a particular option (its direction, its state) is made as asked.
    if (option)
        return QProxyStyle::standardIcon(standard, option, widget);
    return StylePicture(standard, baseStyle());
}

void InstallMenuKeysStyle()
{
    if (dynamic_cast<MenuKeysStyle *>(QApplication::style()))
        return;
    QApplication::setStyle(new MenuKeysStyle(QStyleFactory::create(QApplication::style()->name())));
}

namespace {

// The letter after the caption's mnemonic mark, or a null character.
QChar MnemonicOf(const QString &caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] != u'&')
            return caption[i + 1].toLower();
        ++i; // "&&" is an ampersand shown
    }
    return QChar();
}

} // namespace

void GiveMenuMnemonics(QMenu *menu)
{
    const QList<QAction *> items = menu->actions();
    QSet<QChar> used;
    for (const QAction *item : items)
        if (const QChar letter = MnemonicOf(item->text()); !letter.isNull())
            used.insert(letter);
    for (QAction *item : items) {
        const QString caption = item->text();
        if (item->isSeparator() || caption.isEmpty() || !MnemonicOf(caption).isNull())
            continue;
        // Word starts first, then every other letter, in the caption's order.
        QList<qsizetype> candidates;
        for (qsizetype i = 0; i < caption.size(); ++i)
            if (caption[i].isLetterOrNumber() && (i == 0 || !caption[i - 1].isLetterOrNumber()))
                candidates << i;
        for (qsizetype i = 0; i < caption.size(); ++i)
            if (caption[i].isLetterOrNumber() && !candidates.contains(i))
                candidates << i;
        for (const qsizetype at : std::as_const(candidates)) {
            const QChar letter = caption[at].toLower();
            if (used.contains(letter))
                continue;
            used.insert(letter);
            QString marked = caption;
            marked.replace(QStringLiteral("&"), QStringLiteral("&&"));
            const qsizetype shift = caption.left(at).count(u'&');
            marked.insert(at + shift, u'&');
            item->setText(marked);
            break;
        }
    }
}
