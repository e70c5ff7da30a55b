#include "recipe/DBMemo.h"

#include <QTextDocument>

TDBMemo::TDBMemo(QWidget *parent) : QPlainTextEdit(parent)
{
    connect(this, &QPlainTextEdit::textChanged, this, &TDBMemo::textEdited);
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

void TDBMemo::load(const QString &text)
{
    m_loading = true;
    if (text != this->text())
        setPlainText(text);
    document()->setModified(false);
    m_loading = false;
}

void TDBMemo::textEdited()
{
    if (!m_loading)
        emit userChanged();
}
