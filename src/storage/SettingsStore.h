#pragma once

#include "AppSettings.h"

#include <QString>

// settings.json: loaded once at start-up, saved by the settings window. A file that lacks
// a required key or has one of the wrong type gives the defaults for every field; the
// optional Boolean keys backgroundRefresh, keepHistory and resetAlert stand apart, each
// written only when on.
class SettingsStore
{
public:
    explicit SettingsStore(const QString& folderPath);

    AppSettings load() const;
    // Whether the file was replaced; a failed save leaves the old file, and failure (if
    // given) says why, as JsonFile::write does.
    bool save(const AppSettings& settings, QString* failure = nullptr) const;

    QString filePath() const { return m_filePath; }

private:
    QString m_filePath;
};
