#include "TemporaryHome.h"

#include <QDir>
#include <QStandardPaths>

TemporaryHome::TemporaryHome()
    : m_savedHome(qgetenv("HOME")), m_savedDataHome(qgetenv("XDG_DATA_HOME"))
{
    qputenv("HOME", m_dir.path().toUtf8());
    qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/.local/share")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/.config")).toUtf8());
    qputenv("XDG_CACHE_HOME", (m_dir.path() + QStringLiteral("/.cache")).toUtf8());
}

TemporaryHome::~TemporaryHome()
{
    qputenv("HOME", m_savedHome);
    qputenv("XDG_DATA_HOME", m_savedDataHome);
}

QString TemporaryHome::dataFolder() const
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Pallowe");
}
