#pragma once

#include <sqlite3.h>

// libsqlite3, loaded the first time the history is used: a program that never keeps or reads
// the history does not even map it (the tray with the history off, pallowe-status without
// --history). Only the functions the history store calls.
struct SqliteLibrary
{
    decltype(&sqlite3_open_v2) open_v2;
    decltype(&sqlite3_close_v2) close_v2;
    decltype(&sqlite3_busy_timeout) busy_timeout;
    decltype(&sqlite3_exec) exec;
    decltype(&sqlite3_prepare_v2) prepare_v2;
    decltype(&sqlite3_step) step;
    decltype(&sqlite3_reset) reset;
    decltype(&sqlite3_clear_bindings) clear_bindings;
    decltype(&sqlite3_finalize) finalize;
    decltype(&sqlite3_bind_text) bind_text;
    decltype(&sqlite3_bind_int64) bind_int64;
    decltype(&sqlite3_bind_double) bind_double;
    decltype(&sqlite3_column_type) column_type;
    decltype(&sqlite3_column_int64) column_int64;
    decltype(&sqlite3_column_double) column_double;
    decltype(&sqlite3_column_text) column_text;
    decltype(&sqlite3_column_bytes) column_bytes;

    // The library, loaded once for the whole run; nullptr when it cannot be loaded.
    static const SqliteLibrary* get();
};
