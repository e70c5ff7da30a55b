#include "recipe/DBMemo.h"

#include "platform/Dialogs.h"
#include "store/table/PackTable.h"

#include <QTextDocument>

TDBMemo::TDBMemo(QWidget *parent) : QPlainTextEdit(parent)
{
    connect(this, &QPlainTextEdit::textChanged, this, &TDBMemo::textEdited);
}

void TDBMemo::bind(TPackTable *table, const QString &field)
{
    if (m_table)
        disconnect(m_table, nullptr, this, nullptr);
    m_table = table;
    m_field = field;
    if (m_table) {
        connect(m_table, &TPackTable::viewChanged, this, &TDBMemo::loadFromRecord);
        connect(m_table, &TPackTable::currentRowChanged, this, &TDBMemo::loadFromRecord);
        connect(m_table, &TPackTable::rowDataChanged, this, &TDBMemo::rowChanged);
        connect(m_table, &QObject::destroyed, this, [this] { m_table = nullptr; });
    }
    loadFromRecord();
}

bool TDBMemo::Modified() const
{
    return document()->isModified();
}

QString TDBMemo::plainText(const QTextDocument *document)
{
    QString text = document->toRawText();
    for (QChar &c : text) {
        switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xFDD0: // start of a frame
        case 0xFDD1: // end of a frame
            c = u'\n';
            break;
        default:
            break;
        }
    }
    return text;
}

QStringList TDBMemo::lines() const
{
    const QString all = text();
    if (all.isEmpty())
        return {};
    return all.split(u'\n');
}

void TDBMemo::loadFromRecord()
{
    if (m_writing)
        return;
    QString text;
    if (m_table && m_table->Active() && m_table->RecNo() > 0)
        text = m_table->fieldText(m_field);
    m_loading = true;
    if (text != this->text())
        setPlainText(text);
    document()->setModified(false);
    m_loading = false;
}

void TDBMemo::rowChanged()
{
    // Another field of the row was written: only a different text of this
    // field is loaded, so that this memo's own edits keep their state.
    if (m_writing || !m_table || !m_table->Active() || m_table->RecNo() <= 0)
        return;
    if (m_table->fieldText(m_field) != text())
        loadFromRecord();
}

void TDBMemo::writeToRecord()
{
    if (!m_table || !m_table->Active() || m_table->RecNo() <= 0)
        return;
    m_writing = true;
    try {
        if (m_table->state() == TPackTable::State::Browse)
            m_table->edit();
        m_table->setFieldText(m_field, text());
    } catch (...) {
        m_writing = false;
        throw;
    }
    m_writing = false;
}

void TDBMemo::textEdited()
{
    if (m_loading)
        return;
    Dialogs::guard([this] { writeToRecord(); });
    emit userChanged();
}
