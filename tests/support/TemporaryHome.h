#pragma once

#include <QStandardPaths>
#include <QTemporaryDir>

// Points HOME and the XDG folders at a fresh temporary folder for as long as it lives, so a
// test never sees or touches the user's files.
class TemporaryHome
{
public:
    TemporaryHome()
    {
        qputenv("HOME", path().toUtf8());
        qputenv("XDG_DATA_HOME", (path() + "/.local/share").toUtf8());
        qputenv("XDG_CONFIG_HOME", (path() + "/.config").toUtf8());
        qputenv("XDG_CACHE_HOME", (path() + "/.cache").toUtf8());
    }
    ~TemporaryHome()
    {
        qputenv("HOME", m_savedHome);
        qputenv("XDG_DATA_HOME", m_savedDataHome);
    }

    QString path() const { return m_dir.path(); }
    // Where the program keeps its files.
    QString dataFolder() const
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Pallowe";
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_savedHome = qgetenv("HOME");
    QByteArray m_savedDataHome = qgetenv("XDG_DATA_HOME");
};
