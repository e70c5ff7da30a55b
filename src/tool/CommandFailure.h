#pragma once

#include "store/table/ProgramError.h"

#include <cstdio>

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
        std::fprintf(stderr, "mealdeck-data: %s\n", e.message().toLocal8Bit().constData());
        return failureCode;
    }
}
