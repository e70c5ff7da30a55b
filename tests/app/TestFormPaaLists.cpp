#include "app/DataBoundList.h"
#include "app/TableListModel.h"

#include <QSignalSpy>
#include <QTest>

// The data-bound list over a source of names: the selected row follows the
// source's current row both ways, and names are read in batches.
class TestFormPaaLists : public QObject
{
    Q_OBJECT

private:
    QStringList rows;
    int current = -1;
    int reads = 0;
    bool readable = true;

    DataBoundList::Binding binding()
    {
        return {[this] { return int(rows.size()); },
                [this](int from, int count) {
                    ++reads;
                    return rows.mid(from, count);
                },
                [this] { return readable; },
                [this] { return current; },
                [this](int row) { current = row; }};
    }

private Q_SLOTS:
    void init()
    {
        rows.clear();
        for (int i = 0; i < 1000; ++i)
            rows.append(QStringLiteral("Row %1").arg(i));
        current = 0;
        reads = 0;
        readable = true;
    }

    void readsInBatches()
    {
        DataBoundList list;
        list.bind(binding());
        QCOMPARE(list.model()->rowCount(), TableListModel::Batch);
        QVERIFY(list.model()->canFetchMore(QModelIndex()));
        list.model()->fetchMore(QModelIndex());
        QCOMPARE(list.model()->rowCount(), 2 * TableListModel::Batch);
        const int last = 2 * TableListModel::Batch - 1;
        QCOMPARE(list.model()->index(last, 0).data().toString(), QStringLiteral("Row %1").arg(last));
        // A current row beyond what is loaded is read and selected.
        current = 900;
        list.syncCurrentRow();
        QVERIFY(list.model()->rowCount() > 900);
        QCOMPARE(list.currentIndex().row(), 900);
    }

    void selectionFollowsBothWays()
    {
        DataBoundList list;
        QSignalSpy clicked(&list, &DataBoundList::rowClicked);
        list.bind(binding());
        QCOMPARE(list.currentIndex().row(), 0);
        QCOMPARE(clicked.count(), 0);
        // The user's change moves the source and counts as a click.
        list.setCurrentIndex(list.model()->index(5, 0));
        QCOMPARE(current, 5);
        QCOMPARE(clicked.count(), 1);
        // The source's change moves the selection without a click.
        current = 7;
        list.refresh();
        QCOMPARE(list.currentIndex().row(), 7);
        QCOMPARE(clicked.count(), 1);
    }

    void refreshReadsOnlyChangedTables()
    {
        DataBoundList list;
        list.bind(binding());
        const int before = reads;
        list.refresh();
        QCOMPARE(reads, before);
        rows.removeFirst();
        list.markDirty();
        // Not while the table has an edit in progress; then once it has none.
        readable = false;
        list.refresh();
        QCOMPARE(reads, before);
        readable = true;
        list.refresh();
        QCOMPARE(list.model()->index(0, 0).data().toString(), QStringLiteral("Row 1"));
    }

    void unboundShowsNothing()
    {
        DataBoundList list;
        list.bind(binding());
        list.unbind();
        QCOMPARE(list.model()->rowCount(), 0);
        QVERIFY(!list.isBound());
        list.refresh();
        QCOMPARE(list.model()->rowCount(), 0);
    }
};

QTEST_MAIN(TestFormPaaLists)
#include "TestFormPaaLists.moc"
