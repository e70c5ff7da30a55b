#pragma once

#include <QPlainTextEdit>

// A multi-line edit of one text field of a recipe. It shows the text it was
// last loaded with; Modified() reports a user modification since then
// (typing, cutting, pasting, undoing).
class TDBMemo : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit TDBMemo(QWidget *parent = nullptr);

    bool Modified() const;
    // The text as typed: unlike toPlainText(), no-break spaces stay no-break
    // spaces. Lines are joined with "\n".
    QString text() const { return plainText(document()); }
    static QString plainText(const QTextDocument *document);
    // The text split at line breaks; an empty memo has no lines.
    QStringList lines() const;
    bool hasText() const { return !document()->isEmpty(); }

    // Shows the stored `text`; the memo then reports no modification.
    void load(const QString &text);

Q_SIGNALS:
    // The user changed the text (not a load).
    void userChanged();

private:
    void textEdited();

    bool m_loading = false;
};
