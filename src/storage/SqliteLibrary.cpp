#include "SqliteLibrary.h"

#include <QLibrary>
#include <optional>

namespace {

template <typename Function> bool resolve(QLibrary& library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(library.resolve(name));
    return function != nullptr;
}

std::optional<SqliteLibrary> load()
{
    QLibrary library(QStringLiteral("sqlite3"), 0); // stays loaded when the object goes
    if (!library.load())
        return std::nullopt;
    SqliteLibrary api{};
    const bool complete = resolve(library, "sqlite3_open_v2", api.open_v2) &&
                          resolve(library, "sqlite3_close_v2", api.close_v2) &&
                          resolve(library, "sqlite3_busy_timeout", api.busy_timeout) &&
                          resolve(library, "sqlite3_exec", api.exec) &&
                          resolve(library, "sqlite3_prepare_v2", api.prepare_v2) &&
                          resolve(library, "sqlite3_step", api.step) &&
                          resolve(library, "sqlite3_reset", api.reset) &&
                          resolve(library, "sqlite3_clear_bindings", api.clear_bindings) &&
                          resolve(library, "sqlite3_finalize", api.finalize) &&
                          resolve(library, "sqlite3_bind_text", api.bind_text) &&
                          resolve(library, "sqlite3_bind_int64", api.bind_int64) &&
                          resolve(library, "sqlite3_bind_double", api.bind_double) &&
                          resolve(library, "sqlite3_column_type", api.column_type) &&
                          resolve(library, "sqlite3_column_int64", api.column_int64) &&
                          resolve(library, "sqlite3_column_double", api.column_double) &&
                          resolve(library, "sqlite3_column_text", api.column_text) &&
                          resolve(library, "sqlite3_column_bytes", api.column_bytes);
    return complete ? std::optional(api) : std::nullopt;
}

} // namespace

const SqliteLibrary* SqliteLibrary::get()
{
    static const std::optional<SqliteLibrary> library = load();
    return library ? &*library : nullptr;
}
