#pragma once

#include <QString>
#include <QTemporaryDir>

// Points HOME and the XDG folders at a fresh temporary folder for as long as it lives, so a
// test never sees or touches the user's files.
class TemporaryHome
{
public:
    TemporaryHome();
    ~TemporaryHome();

    QString path() const { return m_dir.path(); }
    QString dataFolder() const; // where the program keeps its files

private:
    QTemporaryDir m_dir;
    QByteArray m_savedHome;
    QByteArray m_savedDataHome;
};
