#include "app/DataBoundList.h"
#include "app/TableListModel.h"

#include <QSignalSpy>
#include <QTest>

// The list of one group's rows by id: rows are read in batches, and its
// current row behaves as a table's cursor.
class TestFormPaaLists : public QObject
{
    Q_OBJECT

private:
    QVector<RecipeBook::Book::Entry> rows;
    int reads = 0;

    DataBoundList::Binding binding()
    {
        return {[this] { return int(rows.size()); },
                [this](int from, int count) {
                    ++reads;
                    return rows.mid(from, count);
                }};
    }

private Q_SLOTS:
    void init()
    {
        rows.clear();
        for (int i = 0; i < 1000; ++i)
            rows.append({100 + i, QStringLiteral("Row %1").arg(i)});
        reads = 0;
    }

    void readsInBatchesAndFindsRowsBeyondThem()
    {
        DataBoundList list;
        list.bind(7, binding());
        QCOMPARE(list.parentId(), qint64(7));
        QCOMPARE(list.model()->rowCount(), TableListModel::Batch);
        QVERIFY(list.model()->canFetchMore(QModelIndex()));
        list.model()->fetchMore(QModelIndex());
        QCOMPARE(list.model()->rowCount(), 2 * TableListModel::Batch);
        const int last = 2 * TableListModel::Batch - 1;
        QCOMPARE(list.model()->index(last, 0).data().toString(), QStringLiteral("Row %1").arg(last));
        // A row beyond what is loaded is read and selected, by id or by name.
        QVERIFY(list.setCurrentId(1000));
        QCOMPARE(list.currentIndex().row(), 900);
        QVERIFY(list.setCurrentName(QStringLiteral("Row 950")));
        QCOMPARE(list.currentId(), qint64(1050));
        QVERIFY(!list.setCurrentId(5) && !list.setCurrentName(QStringLiteral("none")));
        QCOMPARE(list.currentRow(), 950);
    }

    void currentRowBehavesAsACursor()
    {
        DataBoundList list;
        QSignalSpy clicked(&list, &DataBoundList::rowClicked);
        QSignalSpy moved(&list, &DataBoundList::currentMoved);
        list.bind(1, binding());
        QCOMPARE(list.currentIndex().row(), 0);
        QCOMPARE(list.currentId(), qint64(100));
        QCOMPARE(clicked.count(), 0);
        // The user's change moves the current row and counts as a click.
        list.setCurrentIndex(list.model()->index(5, 0));
        QCOMPARE(list.currentId(), qint64(105));
        QCOMPARE(list.currentName(), QStringLiteral("Row 5"));
        QCOMPARE(clicked.count(), 1);
        // Reading again keeps the current row by id...
        rows.removeFirst();
        list.markDirty();
        list.refresh();
        QCOMPARE(list.currentId(), qint64(105));
        QCOMPARE(list.currentIndex().row(), 4);
        // ...and when it has gone, the row now at its place is current.
        rows.removeAt(4);
        list.markDirty();
        list.refresh();
        QCOMPARE(list.currentId(), qint64(106));
        QCOMPARE(clicked.count(), 1);
        QVERIFY(moved.count() >= 3);
        // A move refused beforehand keeps the row.
        list.setMayMove([] { return false; });
        list.setCurrentIndex(list.model()->index(8, 0));
        QCOMPARE(list.currentId(), qint64(106));
        QCOMPARE(list.currentIndex().row(), 4);
        QCOMPARE(clicked.count(), 2);
    }

    void refreshReadsOnlyChangedLists()
    {
        DataBoundList list;
        list.bind(1, binding());
        const int before = reads;
        list.refresh();
        QCOMPARE(reads, before);
        rows.clear();
        list.markDirty();
        list.refresh();
        QCOMPARE(list.model()->rowCount(), 0);
        QCOMPARE(list.currentId(), qint64(0));
        QCOMPARE(list.currentRow(), -1);
    }

    void unboundShowsNothing()
    {
        DataBoundList list;
        list.bind(1, binding());
        list.unbind();
        QCOMPARE(list.model()->rowCount(), 0);
        QVERIFY(!list.isBound());
        QCOMPARE(list.parentId(), qint64(0));
        QCOMPARE(list.currentId(), qint64(0));
        list.refresh();
        QCOMPARE(list.model()->rowCount(), 0);
    }
};

QTEST_MAIN(TestFormPaaLists)
#include "TestFormPaaLists.moc"
