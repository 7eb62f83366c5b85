#include "DesktopSession.h"

#include <QDeadlineTimer>
#include <QProcessEnvironment>
#include <QTest>

namespace {

constexpr int kStartTimeoutMs = 30000;

void stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(2000);
    }
}

} // namespace

DesktopSession::DesktopSession()
{
    m_service.setProcessChannelMode(QProcess::SeparateChannels);
    m_pallowe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The suite runs widgets offscreen; the program under test needs the real X server.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORMTHEME"));
    m_pallowe.setProcessEnvironment(environment);
}

DesktopSession::~DesktopSession()
{
    stop(m_pallowe);
    stop(m_service);
    stop(m_trayHost);
}

bool DesktopSession::fail(const QString& why)
{
    m_failure = why;
    return false;
}

QString DesktopSession::run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

bool DesktopSession::startTrayHost()
{
    const QStringList options{
        "--edge",        "top",   "--align",      "right",    "--widthtype",   "pixel",
        "--width",       "32",    "--heighttype", "pixel",    "--height",      "32",
        "--transparent", "false", "--tint",       "0x333333", "--SetDockType", "true"};
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired()) {
        // A tray host that has only just quit may still hold the tray selection for a moment.
        if (m_trayHost.state() == QProcess::NotRunning)
            m_trayHost.start(QStringLiteral("trayer"), options);
        m_trayWindow =
            run("xdotool", {"search", "--onlyvisible", "--class", "trayer"}).section(u'\n', 0, 0);
        if (!m_trayWindow.isEmpty())
            return true;
        QTest::qWait(100);
    }
    return fail(QStringLiteral("trayer did not start"));
}

bool DesktopSession::startService(const QStringList& options)
{
    m_service.start(QStringLiteral(PALLOWE_DEMO_SERVICE),
                    QStringList{"--session-key=" + kSessionKey} + options);
    if (!m_service.waitForReadyRead(kStartTimeoutMs))
        return fail(QStringLiteral("the stand-in service printed no port"));
    m_port = m_service.readLine().trimmed().toInt();
    return m_port > 0 || fail(QStringLiteral("the stand-in service printed no port"));
}

QStringList DesktopSession::serviceLog()
{
    const QString text = QString::fromUtf8(m_service.readAllStandardError());
    m_log += text.split(u'\n', Qt::SkipEmptyParts);
    return m_log;
}

int DesktopSession::serviceLogCount(const QString& fragment)
{
    return int(serviceLog().filter(fragment).size());
}

QStringList DesktopSession::sessionArguments() const
{
    return {"--sk=" + kSessionKey, "--org-id=" + kMaxOrg, "--service-origin=" + origin()};
}

int DesktopSession::dockedIcons()
{
    const QString tree = run("xwininfo", {"-children", "-id", m_trayWindow});
    int count = 0;
    for (const QString& line : tree.split(u'\n'))
        count += line.trimmed().startsWith(QStringLiteral("0x")) ? 1 : 0;
    return count;
}

bool DesktopSession::startPallowe(const QStringList& arguments)
{
    const int before = dockedIcons();
    launchPallowe(arguments);
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired()) {
        if (m_pallowe.state() == QProcess::NotRunning)
            return fail(QStringLiteral("pallowe exited with %1").arg(m_pallowe.exitCode()));
        if (dockedIcons() > before)
            return true;
        QTest::qWait(50);
    }
    return fail(QStringLiteral("pallowe's icon never reached the tray"));
}

void DesktopSession::launchPallowe(const QStringList& arguments)
{
    m_pallowe.start(QStringLiteral(PALLOWE_BINARY), arguments);
}

bool DesktopSession::stopPallowe()
{
    stop(m_pallowe);
    QTest::qWait(300); // the tray host lets go of the icon
    return true;
}

void DesktopSession::clickTrayIcon()
{
    const QString geometry = run("xdotool", {"getwindowgeometry", "--shell", m_trayWindow});
    int x = 0, y = 0, width = 0, height = 0;
    for (const QString& line : geometry.split(u'\n')) {
        const QString value = line.section(u'=', 1);
        if (line.startsWith("X="))
            x = value.toInt();
        else if (line.startsWith("Y="))
            y = value.toInt();
        else if (line.startsWith("WIDTH="))
            width = value.toInt();
        else if (line.startsWith("HEIGHT="))
            height = value.toInt();
    }
    run("xdotool", {"mousemove", QString::number(x + width / 2), QString::number(y + height / 2),
                    "click", "1"});
}

void DesktopSession::pressKey(const QString& key)
{
    run("xdotool", {"key", key});
}

QString DesktopSession::visibleWindow(const QString& namePattern)
{
    return run("xdotool", {"search", "--onlyvisible", "--name", namePattern}).section(u'\n', 0, 0);
}

QImage DesktopSession::grabWindow(const QString& windowId)
{
    const QString path = m_home.path() + QStringLiteral("/window.png");
    run("import", {"-window", windowId, path});
    return QImage(path);
}
