#pragma once

#include <QFileDevice>
#include <QJsonObject>
#include <QString>
#include <optional>

// Whole-file JSON reads and atomic writes that never report failure to the caller.
namespace JsonFile {

// The bytes of the file, or nothing when it cannot be read.
std::optional<QByteArray> read(const QString& path);

// Writes a compact object atomically; with permissions given the file gets exactly those,
// before any byte of it is visible under its name. Returns whether the file was replaced.
bool write(const QString& path, const QJsonObject& object,
           std::optional<QFileDevice::Permissions> permissions = std::nullopt);

} // namespace JsonFile
