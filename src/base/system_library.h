// System libraries that only some users need (sockets, TLS, certificates,
// printing), loaded at their first use instead of at start: a resident
// program pays for each only once something asks for it.
#pragma once

#include <windows.h>

#include <cstddef>

// Loads dll from the system folder, never from anywhere a planted copy could
// be found first, and its functions by name into table, a record of count
// function pointers in the order of names. False when the library or any of
// the functions cannot be had; the library is then given back and table
// cleared. A library loaded stays for the life of the process.
bool LoadSystemFunctions(const char *dll, const char *const *names, void *table, size_t count);

// As LoadSystemFunctions, once per process whichever thread asks first; once
// loaded, every later call answers true at once. A failure is tried again at
// the next call. once is the table's own.
bool LoadSystemFunctionsOnce(INIT_ONCE &once, const char *dll, const char *const *names, void *table,
                             size_t count);

// A function pointer's count of entries in a table record of them.
template <typename Table>
constexpr size_t FunctionCount()
{
    static_assert(sizeof(Table) % sizeof(FARPROC) == 0, "a table holds function pointers only");
    return sizeof(Table) / sizeof(FARPROC);
}
