#include "store/table/StoreTransaction.h"

#include "store/table/PackTable.h"
#include "store/table/ProgramError.h"
#include "store/table/StoreConnection.h"

StoreTransaction::StoreTransaction(TPackTable &table)
    : m_connection(table.m_connection)
{
    if (!m_connection)
        throw StoreError(QStringLiteral("Table %1 is not open").arg(table.TableName()));
    m_connection->beginScope();
}

StoreTransaction::~StoreTransaction()
{
    if (!m_done) {
        m_done = true;
        try {
            m_connection->endScope(false);
        } catch (...) {
        }
    }
}

void StoreTransaction::commit()
{
    if (m_done)
        return;
    m_done = true;
    m_connection->endScope(true);
}
