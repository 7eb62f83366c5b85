#pragma once

#include <QString>

// The program's own folder under the user's data folder (~/.local/share/Pallowe).
namespace AppDataFolder {

QString defaultPath();

// Creates the folder (owner-only) and any missing parents; errors are ignored. A folder
// that already exists keeps the permissions its owner gave it.
void ensureExists(const QString& path);

} // namespace AppDataFolder
