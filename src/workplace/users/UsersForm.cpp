#include "UsersForm.h"

#include "AddUserForm.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "Prompter.h"
#include "TessalApplication.h"
#include "UserRenameForm.h"
#include "UserRules.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const QString UserNameField = QStringLiteral("UserName");
const QString UserNameTitle = QStringLiteral("Пользователь");

// Draws the cells of the current row in bold.
class CurrentRowBoldDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const auto *model = qobject_cast<const DataSetModel *>(index.model());
        if ((model && model->currentRow() == index.row()) || (option->state & QStyle::State_Selected)) {
            option->font.setBold(true);
            option->palette.setColor(QPalette::HighlightedText, option->palette.color(QPalette::WindowText));
        }
    }
};

void WriteUserEvent(uint32_t eventId, const QString &name, qint64 id)
{
    WriteEventLog(EventType::Information, EventCategory::UserAction, eventId,
                  {App().CurrentUserName, name, QString::number(id)});
}

} // namespace

TfUsers::TfUsers(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("fUsers"));
    buildToolBar();
    buildGrid();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ToolBar);
    layout->addWidget(ntDBGrid, 1);
    bindUsers();
    ntDBGrid->setFocus();
    updateActions();
}

void TfUsers::buildToolBar()
{
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const auto makeAction = [this](const char *name, const QString &caption, const QString &hint) {
        auto *action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        action->setToolTip(hint);
        action->setStatusTip(hint);
        ToolBar->addAction(action);
        return action;
    };
    aAddUser = makeAction("aAddUser", QStringLiteral("Добавить"), QStringLiteral("Добавить пользователя"));
    aDeleteUser = makeAction("aDeleteUser", QStringLiteral("Удалить"), QStringLiteral("Удаление пользователя"));
    aPropUser = makeAction("aPropUser", QStringLiteral("Свойства"), QStringLiteral("Свойства пользователя"));
    aRenameUser =
        makeAction("aRenameUser", QStringLiteral("Переименовать"), QStringLiteral("Переименование пользователя"));
    connect(aAddUser, &QAction::triggered, this, &TfUsers::aAddUserExecute);
    connect(aDeleteUser, &QAction::triggered, this, &TfUsers::aDeleteUserExecute);
    connect(aPropUser, &QAction::triggered, this, &TfUsers::aPropUserExecute);
    connect(aRenameUser, &QAction::triggered, this, &TfUsers::aRenameUserExecute);
}

void TfUsers::buildGrid()
{
    ntDBGrid = new QTableView(this);
    ntDBGrid->setObjectName(QStringLiteral("ntDBGrid"));
    ntDBGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ntDBGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    ntDBGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    ntDBGrid->horizontalHeader()->setStretchLastSection(true);
    ntDBGrid->setItemDelegate(new CurrentRowBoldDelegate(ntDBGrid));
    connect(ntDBGrid, &QTableView::doubleClicked, this, [this] {
        if (aPropUser->isEnabled())
            aPropUserExecute();
    });
}

void TfUsers::bindUsers()
{
    TDM *dm = DM();
    if (!dm)
        return;
    DataSetModel *model = &dm->dsUsers;
    ntDBGrid->setModel(model);
    const auto showOnlyName = [this, model] {
        for (int column = 0; column < model->columnCount(); ++column)
            ntDBGrid->setColumnHidden(column, column != model->columnOfField(UserNameField));
        model->setHeaderTitle(UserNameField, UserNameTitle);
    };
    showOnlyName();
    connect(model, &QAbstractItemModel::modelReset, this, showOnlyName);
    connect(ntDBGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, model,
            [model](const QModelIndex &current) {
                if (current.isValid() && current.row() != model->currentRow())
                    model->setCurrentRow(current.row());
            });
    connect(model, &DataSetModel::currentRowChanged, this, [this, model](int row) {
        if (row >= 0)
            ntDBGrid->selectRow(row);
        ntDBGrid->viewport()->update();
        updateActions();
    });
    connect(&dm->cdsUsers, &DataSet::dataSetChanged, this, &TfUsers::updateActions);
}

void TfUsers::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateActions();
}

void TfUsers::updateActions()
{
    TDM *dm = DM();
    const bool administrator = dm && dm->cdsUsers.isActive() && App().CurrentUserId == 1;
    aAddUser->setEnabled(administrator);
    aPropUser->setEnabled(administrator);
    aRenameUser->setEnabled(administrator);
    bool mayDelete = false;
    if (administrator && !dm->cdsUsers.isEmpty()) {
        const qint64 id = dm->cdsUsers.fieldByName(QStringLiteral("id")).asInteger();
        mayDelete = id != App().CurrentUserId && id != 1;
    }
    aDeleteUser->setEnabled(mayDelete);
}

void TfUsers::aAddUserExecute()
{
    try {
        TDM &dm = *DM();
        if (!dm.cdsUsers.isActive())
            return;
        TfAddUser dialog(this);
        dialog.StoredPasswordHash.clear();
        if (dialog.ShowAdd() && !dialog.NewPasswordHash.isEmpty()) {
            dm.cdsUsers.append();
            dm.cdsUsers.fieldByName(UserNameField).setValue(dialog.EnteredUserName);
            dm.cdsUsers.fieldByName(QStringLiteral("Password")).setValue(dialog.NewPasswordHash.toLatin1());
            const QString name = dialog.EnteredUserName;
            dialog.EnteredUserName.clear();
            dialog.NewPasswordHash.clear();
            dm.Save(dm.cdsUsers);
            WriteUserEvent(EventId::UserAdded, name, dm.cdsUsers.fieldByName(QStringLiteral("id")).asInteger());
            KeepUsersAndSettings();
        }
    } catch (const std::exception &e) {
        LogException("UsersForm.TfUsers.aAddUserExecute", e);
    }
    updateActions();
}

void TfUsers::aDeleteUserExecute()
{
    try {
        TDM &dm = *DM();
        if (!dm.cdsUsers.isActive() || dm.cdsUsers.isEmpty())
            return;
        const QString name = dm.cdsUsers.fieldByName(UserNameField).asString();
        const qint64 id = dm.cdsUsers.fieldByName(QStringLiteral("id")).asInteger();
        if (id == 1 || id == App().CurrentUserId)
            return; // the administrator's accounts stay, whoever calls
        const int answer = Prompts().ask(QStringLiteral("Вы действительно хотите удалить пользователя \"") + name
                                             + QStringLiteral("\"?"),
                                         ApplicationTitle(), Prompt::Warning, Prompt::YesNo);
        if (answer != Prompt::IdYes)
            return;
        WriteUserEvent(EventId::UserDeleted, name, id);
        dm.cdsUsers.deleteRecord();
        dm.Save(dm.cdsUsers);
        KeepUsersAndSettings();
    } catch (const std::exception &e) {
        LogException("UsersForm.TfUsers.aDeleteUserExecute", e);
    }
    updateActions();
}

void TfUsers::aPropUserExecute()
{
    try {
        TDM &dm = *DM();
        if (!dm.cdsUsers.isActive() || dm.cdsUsers.isEmpty())
            return;
        TfAddUser dialog(this);
        dialog.StoredPasswordHash = dm.cdsUsers.fieldByName(QStringLiteral("Password")).asString();
        const QString name = dm.cdsUsers.fieldByName(UserNameField).asString();
        if (dialog.ShowProperties(name) && !dialog.NewPasswordHash.isEmpty()) {
            dm.CheckEdit(dm.cdsUsers);
            dm.cdsUsers.fieldByName(QStringLiteral("Password")).setValue(dialog.NewPasswordHash.toLatin1());
            dialog.NewPasswordHash.clear();
            dm.Save(dm.cdsUsers);
            WriteUserEvent(EventId::PasswordChanged, name, dm.cdsUsers.fieldByName(QStringLiteral("id")).asInteger());
            KeepUsersAndSettings();
            Prompts().ask(QStringLiteral("Пароль изменен.\rПостарайтесь его нигде не записывать."), ApplicationTitle(),
                          Prompt::Information, Prompt::Ok);
        }
    } catch (const std::exception &e) {
        LogException("UsersForm.TfUsers.aPropUserExecute", e);
    }
}

void TfUsers::aRenameUserExecute()
{
    try {
        TDM &dm = *DM();
        if (!dm.cdsUsers.isActive() || dm.cdsUsers.isEmpty())
            return;
        const qint64 id = dm.cdsUsers.fieldByName(QStringLiteral("id")).asInteger();
        TfUserRename dialog(id, this);
        dialog.EditNewLogin->setText(dm.cdsUsers.fieldByName(UserNameField).asString());
        if (dialog.exec() != QDialog::Accepted)
            return;
        const QString name = dialog.EditNewLogin->text();
        dm.CheckEdit(dm.cdsUsers);
        dm.cdsUsers.fieldByName(UserNameField).setValue(name);
        dm.Save(dm.cdsUsers);
        WriteUserEvent(EventId::UserRenamed, name, id);
        KeepUsersAndSettings();
        Prompts().ask(QStringLiteral("Имя пользователя изменено"), ApplicationTitle(), Prompt::Information,
                      Prompt::Ok);
        if (id == App().CurrentUserId)
            App().CurrentUserName = name;
    } catch (const std::exception &e) {
        LogException("UsersForm.TfUsers.aRenameExecute", e);
    }
}
