#pragma once

#include <QtGlobal>

#include <memory>

class StoreConnection;
class TPackTable;

// A store transaction scope over the tables of one data folder:
//
//     StoreTransaction scope(Table1);
//     Table1.apply();
//     Table2.apply();
//     scope.commit();
//
// The applies inside the scope write into one SQLite transaction that
// commit() makes durable as one, over every attached table file. When the
// scope ends without a commit (an exception, an early return), or the commit
// fails, nothing of it is on disk and the rows of every apply inside it are
// pending again. SQLite cannot attach a file inside a transaction: the three
// recipe tables of the folder are attached as soon as one of them is open, a
// table file of another name must be opened before the scope. A scope opened
// while another is active on the same folder
// joins it: only the outermost one commits, and an inner scope that ends
// without commit() makes the whole one fail.
class StoreTransaction
{
public:
    // `table` must be open; its folder's connection is used. Throws StoreError
    // when the transaction cannot begin.
    explicit StoreTransaction(TPackTable &table);
    ~StoreTransaction();
    Q_DISABLE_COPY_MOVE(StoreTransaction)

    // Commits the scope (the outermost one) or throws StoreError, with every
    // row applied inside the scope pending again.
    void commit();
    bool committed() const { return m_done; }

private:
    std::shared_ptr<StoreConnection> m_connection;
    bool m_done = false;
};
