#include "ggError.h"
#include "ggFiles.h"
#include "ggLayoutStore.h"
#include "TestSupport.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

#include <memory>

namespace {

// A grid of equal panels, as the goods lines of the editor.
class PanelGrid : public QWidget, public LayoutPanelGrid {
public:
    explicit PanelGrid(QWidget *parent) : QWidget(parent) {}
    int panelColumnCount() const override { return 1; }
    int panelRowCount() const override { return 3; }
    int panelWidth() const override { return m_width; }
    int panelHeight() const override { return m_height; }
    void setPanelWidth(int width) override { m_width = width; }
    void setPanelHeight(int height) override { m_height = height; }

private:
    int m_width = 200;
    int m_height = 30;
};

const char *const kFields[] = {"NumNum", "DateV", "Status", "Language"};

} // namespace

// A form laid out the way the designer left it, widgets placed by their bounds.
class TfTest : public QWidget {
    Q_OBJECT
public:
    TfTest()
    {
        setObjectName("fTest");
        setGeometry(100, 80, 640, 480);
        label = new QLabel("Номер", this);
        label->setObjectName("Label1");
        label->setGeometry(10, 10, 100, 20);

        auto *toolBar = new QToolBar(this);
        toolBar->setObjectName("ToolBar1");
        toolBar->addAction("Новый")->setObjectName("aNew");
        auto *toolButton = new QToolButton(this);
        toolButton->setObjectName("ToolButton1");

        auto *frame = new QFrame(this); // unnamed: looked through
        frame->setGeometry(10, 440, 300, 30);
        edit = new QLineEdit(frame);
        edit->setObjectName("Edit1");
        edit->setGeometry(5, 5, 100, 20);

        splitter = new QSplitter(Qt::Horizontal, this);
        splitter->setObjectName("Splitter1");
        splitter->setGeometry(10, 40, 600, 300);
        auto *panel = new QWidget;
        panel->setObjectName("PanelLeft");
        splitter->addWidget(panel);
        grid = new QTableView(panel);
        grid->setObjectName("DBGrid1");
        grid->setGeometry(0, 0, 280, 250);
        model.setColumnCount(4);
        for (int k = 0; k < 4; ++k)
            model.setHeaderData(k, Qt::Horizontal, QString::fromLatin1(kFields[k]), FieldNameRole);
        grid->setModel(&model);
        for (int k = 0; k < 4; ++k)
            grid->setColumnWidth(k, 50);
        list = new QTreeWidget;
        list->setObjectName("ListView1");
        list->setColumnCount(3);
        list->header()->setStretchLastSection(false);
        for (int k = 0; k < 3; ++k)
            list->setColumnWidth(k, 60);
        splitter->addWidget(list);
        splitter->setSizes({300, 300});

        strings = new QTableWidget(2, 3, this);
        strings->setObjectName("StringGrid1");
        strings->setGeometry(10, 350, 300, 80);
        panels = new PanelGrid(this);
        panels->setObjectName("CtrlGrid1");
        panels->setGeometry(320, 350, 300, 120);
    }

    // The grid's fields in the order shown.
    QStringList shownFields() const
    {
        QStringList fields;
        for (int k = 0; k < 4; ++k)
            fields << QString::fromLatin1(kFields[grid->horizontalHeader()->logicalIndex(k)]);
        return fields;
    }
    int fieldWidth(int field) const { return grid->horizontalHeader()->sectionSize(field); }

    QStandardItemModel model;
    QLabel *label;
    QLineEdit *edit;
    QSplitter *splitter;
    QTableView *grid;
    QTreeWidget *list;
    QTableWidget *strings;
    PanelGrid *panels;
};

class TfOther : public QWidget {
    Q_OBJECT
public:
    TfOther()
    {
        setObjectName("fOther");
        setGeometry(50, 50, 300, 200);
    }
};

namespace {

class LayoutStore : public ::testing::Test {
protected:
    QString file() const { return temp.path() + "/StorageOrigin.xml"; }
    QTemporaryDir temp;
};

pugi::xml_node child(const pugi::xml_node &parent, const char *name)
{
    return parent.find_child_by_attribute("Name", name);
}

void expectDesignedForm(const TfTest &form)
{
    EXPECT_EQ(form.geometry(), QRect(100, 80, 640, 480));
    EXPECT_EQ(form.label->geometry(), QRect(10, 10, 100, 20));
    EXPECT_EQ(form.shownFields(), QStringList({"NumNum", "DateV", "Status", "Language"}));
    EXPECT_EQ(form.fieldWidth(1), 50);
}

} // namespace

TEST_F(LayoutStore, SavedLayoutComesBackAndSavesTheSame)
{
    TfTest changed;
    changed.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&changed));
    changed.setGeometry(150, 120, 700, 500);
    changed.label->setGeometry(20, 30, 120, 25);
    changed.edit->setGeometry(7, 4, 150, 22);
    changed.splitter->setSizes({200, 400});
    changed.grid->horizontalHeader()->moveSection(2, 0); // Status first
    changed.grid->setColumnWidth(1, 133);                // DateV
    changed.list->setColumnWidth(1, 77);
    changed.strings->setColumnWidth(2, 55);
    changed.panels->setPanelWidth(280);
    changed.panels->setPanelHeight(40);
    const QList<int> splitterSizes = changed.splitter->sizes();
    SaveFormLayout(&changed, file());
    const QByteArray saved = ReadWholeFile(file());

    EXPECT_TRUE(saved.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"));
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_buffer(saved.constData(), saved.size()));
    const pugi::xml_node root = doc.document_element();
    EXPECT_STREQ(root.name(), "ParamsOfForms");
    const pugi::xml_node form = root.first_child();
    EXPECT_STREQ(form.name(), "TfTest");
    QStringList attributes;
    for (const pugi::xml_attribute a : form.attributes())
        attributes << QString::fromUtf8(a.name()) + '=' + QString::fromUtf8(a.value());
    EXPECT_EQ(attributes, QStringList({"Name=fTest", "Height=500", QStringLiteral("Left=%1").arg(changed.x()),
                                       QStringLiteral("Top=%1").arg(changed.y()), "Width=700"}))
        << "a window's position is that of its frame";
    EXPECT_FALSE(child(form, "ToolBar1")) << "tool bars are never kept";
    EXPECT_FALSE(child(form, "ToolButton1"));
    EXPECT_STREQ(child(form, "Edit1").name(), "QLineEdit") << "unnamed holders are looked through";
    const pugi::xml_node gridElement = child(child(child(form, "Splitter1"), "PanelLeft"), "DBGrid1");
    QStringList columns;
    for (const pugi::xml_node col : gridElement.children("Col"))
        columns << QStringLiteral("%1:%2:%3").arg(col.attribute("Index").value(), col.attribute("FieldName").value(),
                                                  col.attribute("Width").value());
    EXPECT_EQ(columns, QStringList({"0:Status:50", "1:NumNum:50", "2:DateV:133", "3:Language:50"}));
    const pugi::xml_node panels = child(form, "CtrlGrid1");
    EXPECT_EQ(std::distance(panels.children("Col").begin(), panels.children("Col").end()), 1);
    EXPECT_EQ(std::distance(panels.children("Row").begin(), panels.children("Row").end()), 3);

    for (int round = 0; round < 2; ++round) {
        TfTest restored;
        LoadFormLayout(&restored, file());
        restored.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&restored));
        EXPECT_EQ(restored.geometry(), QRect(150, 120, 700, 500));
        EXPECT_EQ(restored.label->geometry(), QRect(20, 30, 120, 25));
        EXPECT_EQ(restored.edit->geometry(), QRect(7, 4, 150, 22));
        EXPECT_EQ(restored.splitter->sizes(), splitterSizes);
        EXPECT_EQ(restored.shownFields(), QStringList({"Status", "NumNum", "DateV", "Language"}));
        EXPECT_EQ(restored.fieldWidth(1), 133);
        EXPECT_EQ(restored.list->columnWidth(1), 77);
        EXPECT_EQ(restored.strings->columnWidth(2), 55);
        EXPECT_EQ(restored.panels->panelWidth(), 280);
        EXPECT_EQ(restored.panels->panelHeight(), 40);
        SaveFormLayout(&restored, file());
        EXPECT_EQ(ReadWholeFile(file()), saved) << "round " << round;
    }
}

TEST_F(LayoutStore, GridColumnsFollowTheirFieldNames)
{
    WriteWholeFile(file(), R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<ParamsOfForms>
  <TfTest Name="fTest" Height="0" Left="0" Top="abc" Width="500">
    <QSplitter Name="Splitter1">
      <QWidget Name="PanelLeft">
        <QTableView Name="DBGrid1">
          <Col Width="91" FieldName="Language" Index="0"/>
          <Col Width="77" FieldName="Gone" Index="1"/>
          <Col Width="66" FieldName="Status" Index="2"/>
          <Col FieldName="DateV" Index="3"/>
          <Col Width="12x" FieldName="DateV" Index="0"/>
          <Col Width="40" FieldName="DateV" Index="9"/>
        </QTableView>
      </QWidget>
    </QSplitter>
    <QLabel Name="NoSuchWidget" Width="1"/>
    <QLabel Name="Label1" Left="-5" Width="nothing"/>
  </TfTest>
</ParamsOfForms>
)");
    TfTest form;
    form.grid->setColumnHidden(3, true); // Language
    LoadFormLayout(&form, file());

    EXPECT_EQ(form.geometry(), QRect(100, 80, 500, 480)) << "0 and unreadable bounds keep the designed ones";
    EXPECT_EQ(form.label->geometry(), QRect(-5, 10, 100, 20));
    EXPECT_EQ(form.shownFields(), QStringList({"Language", "NumNum", "Status", "DateV"}));
    form.grid->setColumnHidden(3, false);
    EXPECT_EQ(form.fieldWidth(3), 50) << "a hidden column is moved but keeps its width";
    EXPECT_EQ(form.fieldWidth(0), 77) << "the column standing where a lost field stood gets its width";
    EXPECT_EQ(form.fieldWidth(2), 66);
    EXPECT_EQ(form.fieldWidth(1), 50) << "a column without width is skipped";
}

TEST_F(LayoutStore, DamagedFileLeavesTheFormAsDesigned)
{
    const QByteArray damaged[] = {
        "",
        "not xml at all",
        "<?xml version=\"1.0\"?>",
        "<ParamsOfForms><TfTest Name=\"fTest\" Width=\"500\"",
        QByteArray("\x00\xff\xfe<\x01", 5),
    };
    for (const QByteArray &content : damaged) {
        WriteWholeFile(file(), content);
        TfTest form;
        LoadFormLayout(&form, file());
        expectDesignedForm(form);

        TfOther other;
        SaveFormLayout(&other, file());
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_file(file().toUtf8().constData())) << content.toStdString();
        EXPECT_STREQ(doc.document_element().name(), "ParamsOfForms");
        EXPECT_EQ(std::distance(doc.document_element().begin(), doc.document_element().end()), 1)
            << "a damaged file is replaced by one holding only the saved form";
    }
    TfTest form;
    LoadFormLayout(&form, temp.path() + "/missing.xml");
    expectDesignedForm(form);
}

TEST_F(LayoutStore, WindowStoredOffTheScreenComesBackIntoView)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableVirtualGeometry();
    struct Case { int left, top; };
    for (const Case c : {Case{-82, -82}, Case{-5000, 40}, Case{40, 90000}}) {
        WriteWholeFile(file(), "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                               "<ParamsOfForms><TfOther Name=\"fOther\" Left=\"" + QByteArray::number(c.left)
                                   + "\" Top=\"" + QByteArray::number(c.top) + "\"/></ParamsOfForms>");
        TfOther form;
        LoadFormLayout(&form, file());
        EXPECT_TRUE(screen.contains(form.pos())) << c.left << "," << c.top;
    }
    // A corner on the screen is kept as stored.
    WriteWholeFile(file(), "<ParamsOfForms><TfOther Name=\"fOther\" Left=\"30\" Top=\"20\"/></ParamsOfForms>");
    TfOther kept;
    LoadFormLayout(&kept, file());
    EXPECT_EQ(kept.pos(), QPoint(30, 20));
}

TEST_F(LayoutStore, SavedFormMovesToTheEnd)
{
    TfTest a;
    TfOther b;
    SaveFormLayout(&a, file());
    SaveFormLayout(&b, file());
    a.resize(610, 470);
    SaveFormLayout(&a, file());
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(file().toUtf8().constData()));
    QStringList order;
    for (const pugi::xml_node form : doc.document_element().children())
        order << QString::fromUtf8(form.attribute("Name").value());
    EXPECT_EQ(order, QStringList({"fOther", "fTest"}));

    // Of two elements for one form the first is applied, and saving replaces both.
    WriteWholeFile(file(), "<ParamsOfForms><TfTest Name=\"fTest\" Width=\"510\"/><TfOther Name=\"fOther\"/>"
                           "<TfTest Name=\"fTest\" Width=\"520\"/></ParamsOfForms>");
    TfTest first;
    LoadFormLayout(&first, file());
    EXPECT_EQ(first.width(), 510);
    first.resize(530, 480);
    SaveFormLayout(&first, file());
    TfTest again;
    LoadFormLayout(&again, file());
    EXPECT_EQ(again.width(), 530);
}

TEST_F(LayoutStore, UserFileIsPreferredOverTheCommonFile)
{
    const QString userConfig = temp.path() + "/home/.config";
    qputenv("XDG_CONFIG_HOME", userConfig.toUtf8());
    qputenv("TESSAL_COMMON_CONFIG", (temp.path() + "/common").toUtf8());
    EXPECT_EQ(UserLayoutFile(), userConfig + "/TessalCert/StorageOrigin.xml");
    EXPECT_EQ(CommonLayoutFile(), temp.path() + "/common/StorageOrigin.xml");
    WriteWholeFile(CommonLayoutFile(), "<ParamsOfForms><TfTest Name=\"fTest\" Width=\"611\"/>"
                                       "<TfOther Name=\"fOther\" Width=\"333\"/></ParamsOfForms>");

    TfTest fromCommon;
    RestoreLayout(&fromCommon);
    EXPECT_EQ(fromCommon.width(), 611) << "the common file serves until the user has a file";

    TfOther other;
    RestoreLayout(&other);
    EXPECT_EQ(other.width(), 333);
    other.resize(350, 200);
    KeepLayout(&other);
    ASSERT_TRUE(FileExistsW(UserLayoutFile())) << "the user's folder is made when missing";

    TfTest notInUserFile;
    RestoreLayout(&notInUserFile);
    EXPECT_EQ(notInUserFile.width(), 640) << "once the user's file exists it alone is read";
    TfOther fromUser;
    RestoreLayout(&fromUser);
    EXPECT_EQ(fromUser.width(), 350);
    EXPECT_EQ(ReadWholeFile(CommonLayoutFile()).count("Width="), 2) << "the common file is never written";
}

TEST_F(LayoutStore, SaveThatCannotWriteRaises)
{
    qputenv("XDG_CONFIG_HOME", (temp.path() + "/config").toUtf8());
    WriteWholeFile(temp.path() + "/config/TessalCert", "a file where the folder should be");
    TfOther form;
    EXPECT_THROW(KeepLayout(&form), AppError);
}

#include "ggLayoutStore_test.moc"
