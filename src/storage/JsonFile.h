#pragma once

#include <QFileDevice>
#include <QJsonObject>
#include <QString>
#include <optional>

// Whole-file JSON reads and atomic writes. A file that cannot be read is nothing; a write that
// fails leaves the old file byte for byte.
namespace JsonFile {

// Our files are a few hundred bytes; anything larger is not ours to load into memory.
constexpr qint64 kMaximumSize = 1024 * 1024;

// The bytes of the file, or nothing when it cannot be read or is over kMaximumSize.
std::optional<QByteArray> read(const QString& path);

// Writes a compact object atomically; with permissions given the file gets exactly those,
// before any byte of it is visible under its name. Returns whether the file was replaced;
// when it was not, failure (if given) says why in a few Italian words that can end a
// sentence: "la scrittura su disco non è riuscita (disco pieno?)".
bool write(const QString& path, const QJsonObject& object,
           std::optional<QFileDevice::Permissions> permissions = std::nullopt,
           QString* failure = nullptr);

} // namespace JsonFile
