#pragma once

#include <QString>

#include <stdexcept>

// An error that the program does not handle itself. It travels as a C++
// exception up to the handler guard (Dialogs::guard), which shows it in the
// standard error box and ends the running handler. It never crosses Qt.
class ProgramError : public std::runtime_error
{
public:
    explicit ProgramError(const QString &message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {
    }

    const QString &message() const { return m_message; }

private:
    QString m_message;
};

// A text that is not a number, as the conversion routines report it,
// e.g. "'12a' is not a valid integer value".
class ConversionError : public ProgramError
{
public:
    using ProgramError::ProgramError;
};

// A failure of the table store: a commit, a read or a file that is not a table.
class StoreError : public ProgramError
{
public:
    using ProgramError::ProgramError;
};

// An apply that would overwrite a row that another program changed or deleted
// since it was read. Nothing was written; the rows are still pending.
class StoreConflict : public StoreError
{
public:
    using StoreError::StoreError;
};

// Work that the user cancelled through its progress callback. The handler
// guard shows nothing for it; the message says what was left undone.
class StoreCancelled : public StoreError
{
public:
    explicit StoreCancelled(const QString &message = QStringLiteral("Cancelled")) : StoreError(message) { }
};

// A backup file that is refused before anything of the book is touched: not a
// zip, not a backup of the program, damaged, or holding what a book never has.
class BackupRefused : public StoreError
{
public:
    using StoreError::StoreError;
};
