#include "ClientDataSet.h"
#include "DataSetModel.h"
#include "SqlQuery.h"
#include "SqliteDatabase.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void FillGoods(ClientDataSet &cds)
{
    cds.setFieldDefs({{"id", FieldType::AutoInc},
                      {"d8Description", FieldType::WideString, 2048},
                      {"count", FieldType::Integer},
                      {"lines", FieldType::Nested, 0, false, {{"x", FieldType::Integer}}}});
    cds.createDataSet();
    for (const char *text : {"Яблоки", "Груши"}) {
        cds.append();
        cds.fieldByName("d8Description").setValue(QString::fromUtf8(text));
        cds.fieldByName("count").setValue(3);
        cds.post();
    }
}

} // namespace

TEST(DataSetModel, ShowsFieldsAsColumnsAndWritesCellsBack)
{
    ClientDataSet cds;
    FillGoods(cds);
    DataSetModel model(&cds);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QTableView view;
    view.setModel(&model);
    view.show();

    EXPECT_EQ(model.rowCount(), 2);
    ASSERT_EQ(model.columnCount(), 3); // the nested field has no column
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, DataSetModel::FieldNameRole).toString(), "d8Description");
    EXPECT_EQ(model.data(model.index(0, 2), DataSetModel::FieldNameRole).toString(), "count");
    EXPECT_EQ(model.columnOfField("COUNT"), 2);
    EXPECT_EQ(model.data(model.index(1, 1)).toString(), QString::fromUtf8("Груши"));
    EXPECT_EQ(model.data(model.index(1, 2), Qt::EditRole), QVariant(qint64(3)));
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable); // auto-increment
    EXPECT_TRUE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    EXPECT_TRUE(model.setData(model.index(0, 1), QString::fromUtf8("Сливы")));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(cds.currentRow(), 0);
    EXPECT_EQ(cds.fieldByName("d8Description").asString(), QString::fromUtf8("Сливы"));
    EXPECT_TRUE(model.setData(model.index(1, 2), QString("12")));
    EXPECT_EQ(cds.fieldByName("count").asInteger(), 12);
    EXPECT_FALSE(model.setData(model.index(1, 2), QString("12 apples")));
    EXPECT_EQ(cds.state(), DataSet::State::Browse);
    EXPECT_EQ(cds.fieldByName("count").asInteger(), 12);

    // Rows appended and deleted reach the view.
    cds.append();
    cds.fieldByName("d8Description").setValue("new");
    cds.post();
    EXPECT_EQ(model.rowCount(), 3);
    cds.first();
    cds.deleteRecord();
    EXPECT_EQ(model.rowCount(), 2);
}

TEST(DataSetModel, FollowsAndMovesTheCurrentRow)
{
    ClientDataSet cds;
    FillGoods(cds);
    DataSetModel model(&cds);
    QSignalSpy current(&model, &DataSetModel::currentRowChanged);
    cds.first();
    ASSERT_EQ(current.count(), 1);
    EXPECT_EQ(current.last().at(0).toInt(), 0);
    model.setCurrentRow(1);
    EXPECT_EQ(cds.recNo(), 2);
    EXPECT_EQ(current.last().at(0).toInt(), 1);
    model.setCurrentRow(7); // out of range: ignored
    EXPECT_EQ(cds.recNo(), 2);
}

TEST(DataSetModel, QueryCellsAreReadOnly)
{
    QTemporaryDir dir;
    SqliteDatabase db(dir.filePath("m.sqb"));
    db.exec("CREATE TABLE t (a INTEGER, b BLOB); INSERT INTO t VALUES (1, x'41'), (2, NULL)");
    SqlQuery q(&db);
    q.setSql("select * from t order by a");
    DataSetModel model(&q);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(model.rowCount(), 0);
    q.open();
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), "A");
    EXPECT_EQ(model.data(model.index(1, 1)).toString(), "");
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.setData(model.index(0, 0), 5));
    model.setDisplayFunction([](const FieldDef &def, const QVariant &value) {
        return def.name + ":" + value.toString();
    });
    EXPECT_EQ(model.data(model.index(1, 0)).toString(), "a:2");
    q.close();
    EXPECT_EQ(model.rowCount(), 0);
}
