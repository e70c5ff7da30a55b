#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// Text as the recipe search compares it, and the user's search text turned
// into terms. Pure functions: no files, no SQL connection.
namespace SearchText {

// Folds text for matching: each character canonically decomposed, the
// non-spacing marks dropped, the rest case folded ("Crème" and "CREME" both
// fold to "creme"). With `origin`, origin[i] is the index in `text` of the
// character that the i-th UTF-16 unit of the result came from.
QString fold(const QString &text, QVector<int> *origin = nullptr);
// The same on UTF-8 bytes, for the index's SQL function.
QByteArray foldUtf8(const char *text, int size);

// Letters, digits and combining marks make up words; everything else
// separates them (as the word index's tokenizer does).
bool isWordCharacter(char32_t c);

struct Term
{
    enum class Kind {
        // A word of fewer than three letters: whole words and word beginnings.
        Prefix,
        // A word of three letters or more: any part of a word.
        Part,
        // Words in double quotes: these words one after the other.
        Phrase,
    };
    Kind kind = Kind::Part;
    // The words as the user typed them (one, or the phrase's words).
    QStringList words;
    // The folded word (Prefix, Part) or the folded words joined by spaces
    // (Phrase).
    QString folded;
};

// Splits the user's text into terms. Text in double quotes is a phrase (a
// quote left open runs to the end); one word in quotes is an ordinary word.
// Every character is ordinary text: operators, brackets, stars and SQL mean
// nothing. Repeated terms are dropped. Empty when there is no word at all.
QVector<Term> parse(const QString &text);

// Whether `term` matches among the words of `text`, as the word index
// finds it: a word that begins with it (Prefix), holds it (Part), or the
// words one after the other (Phrase).
bool contains(const QString &text, const Term &term);

// Where the terms match in `text`: ranges [start, start + length) in `text`,
// sorted, not overlapping.
struct Range
{
    int start = 0;
    int length = 0;
};
QVector<Range> matches(const QString &text, const QVector<Term> &terms);

// A short part of `text` around its first match (one line, at most about
// `width` characters, "..." where it is cut), with the matches inside it as
// ranges of the excerpt. Empty when nothing in `text` matches.
struct Excerpt
{
    QString text;
    QVector<Range> marks;
};
Excerpt excerpt(const QString &text, const QVector<Term> &terms, int width = 90);

} // namespace SearchText
