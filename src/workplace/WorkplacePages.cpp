#include "WorkplacePages.h"

#include "FormMain.h"
#include "OptionsForm.h"
#include "Print.h"
#include "UsersForm.h"

#include <QLabel>
#include <QVBoxLayout>

TListPlaceholder::TListPlaceholder(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(QStringLiteral("Список сертификатов"), this);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
}

void RegisterWorkplacePages(TfMain &main)
{
    main.registerPage(QStringLiteral("fList"), [](TfMain &) { return new TListPlaceholder; });
    main.registerPage(QStringLiteral("fUsers"), [](TfMain &) { return new TfUsers; });
    main.registerPage(QStringLiteral("fSett"), [](TfMain &) { return new TfOptions; });
    RegisterPrintingPages(main);
}
