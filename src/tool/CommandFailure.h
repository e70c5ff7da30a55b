#pragma once

#include "store/table/ProgramError.h"

#include <cstdio>

// Says `message` as the command line's failure: "mealdeck-data: <message>"
// on standard error.
inline void sayFailure(const QString &message)
{
    std::fprintf(stderr, "mealdeck-data: %s\n", message.toLocal8Bit().constData());
}

// Says `message` and gives the exit code of a command that failed, 2.
inline int commandFailed(const QString &message)
{
    sayFailure(message);
    return 2;
}

// Arguments a command does not take: the usage on standard error, exit code 2.
inline int wrongArguments(const QString &usage)
{
    std::fputs(usage.toLocal8Bit().constData(), stderr);
    return 2;
}

// Where an error of the core becomes what the command line says: runs a
// command and returns its exit code; an error that leaves it is printed as
// "mealdeck-data: <message>" on standard error and ends it with
// `failureCode`.
template<typename Command>
int reportingFailure(int failureCode, Command &&command)
{
    try {
        return command();
    } catch (const ProgramError &e) {
        sayFailure(e.message());
        return failureCode;
    }
}
