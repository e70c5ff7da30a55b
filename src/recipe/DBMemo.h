#pragma once

#include <QPlainTextEdit>

class TPackTable;

// A multi-line edit bound to a memo field of a table's current row. It shows
// the field's text; typing, cutting, pasting and undoing put the row into edit
// and write the text into the field, where it stays pending until the table's
// changes are applied or discarded. Modified() reports a user modification
// since the text was last loaded from the row (applying or discarding the
// table's changes, or moving to another row, reloads it).
class TDBMemo : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit TDBMemo(QWidget *parent = nullptr);

    void bind(TPackTable *table, const QString &field);
    TPackTable *table() const { return m_table; }
    QString field() const { return m_field; }

    bool Modified() const;
    // The text as typed: unlike toPlainText(), no-break spaces stay no-break
    // spaces. Lines are joined with "\n".
    QString text() const { return plainText(document()); }
    static QString plainText(const QTextDocument *document);
    // The text split at line breaks; an empty memo has no lines.
    QStringList lines() const;
    bool hasText() const { return !document()->isEmpty(); }

    // Reads the field of the current row; the memo then reports no modification.
    void loadFromRecord();
    // Puts the current row into edit (when it is not) and writes the memo's text
    // into the field.
    void writeToRecord();

Q_SIGNALS:
    // The user changed the text (not a load from the row).
    void userChanged();

private:
    void rowChanged();
    void textEdited();

    TPackTable *m_table = nullptr;
    QString m_field;
    bool m_loading = false;
    bool m_writing = false;
};
