#include "EarlyExit.h"

#include "state/StandardStreams.h"

namespace {

using StandardStreams::write;

// Qt takes "-platform NAME" from the command line before the environment's QT_QPA_PLATFORM.
QString platformRequested(const QStringList& arguments)
{
    const qsizetype at = std::max(arguments.lastIndexOf(QStringLiteral("-platform")),
                                  arguments.lastIndexOf(QStringLiteral("--platform")));
    if (at > 0 && at + 1 < arguments.size())
        return arguments.at(at + 1);
    return qEnvironmentVariable("QT_QPA_PLATFORM");
}

// "xcb", "wayland" and its variants talk to a display server; offscreen, minimal, vnc, eglfs
// and the like do not. A list ("wayland;xcb") is tried in order.
bool needsDisplayServer(const QString& platforms)
{
    if (platforms.isEmpty())
        return true;
    for (const QString& entry : platforms.split(u';', Qt::SkipEmptyParts)) {
        const QString name = entry.section(u':', 0, 0).trimmed();
        if (name != u"xcb" && !name.startsWith(u"wayland"))
            return false;
    }
    return true;
}

} // namespace

std::optional<int> EarlyExit::check(const QStringList& arguments)
{
    const QStringList options = arguments.mid(1);
    const bool help = options.contains(u"--help") || options.contains(u"-h");
    if (help || options.contains(u"--version")) {
        if (write(stdout, help ? helpText() : versionLine() + u'\n'))
            return 0;
        return StandardStreams::reportFailedOutput("pallowe");
    }
    if (hasDisplay(arguments))
        return std::nullopt;
    write(stderr, QStringLiteral("pallowe: serve una sessione grafica, X11 o Wayland; "
                                 "nessun display trovato.\n"));
    return 1;
}

bool EarlyExit::hasDisplay(const QStringList& arguments)
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !needsDisplayServer(platformRequested(arguments));
}

QString EarlyExit::versionLine()
{
    return QStringLiteral("pallowe " PALLOWE_VERSION);
}

QString EarlyExit::helpText()
{
    return QStringLiteral(R"(Uso: pallowe [--sk=CHIAVE --org-id=ORGANIZZAZIONE [--org-name=NOME]]
              [--refresh-interval=SECONDI] [--service-origin=URL]

Mostra nella barra di sistema quanto del piano Zelvik hai usato. Si accede dal pannello,
con "Accedi con Zelvik"; una sessione si può anche dare sulla riga di comando, ma la
finestra di accesso è da preferire. Pallowe gira una volta per utente: avviato di nuovo,
apre il pannello di quello già in esecuzione e gli passa la sessione data.

  --sk=CHIAVE        la chiave di sessione da salvare, insieme a --org-id=
  --org-id=ORGANIZZAZIONE
                     l'id dell'organizzazione da salvare, insieme a --sk=
  --org-name=NOME    il nome dell'organizzazione da mostrare
  --refresh-interval=SECONDI
                     ogni quanto aggiornare l'utilizzo (predefinito 300)
  --service-origin=URL
                     l'indirizzo del servizio (predefinito https://zelvik.ai)
  -h, --help         mostra questo aiuto
  --version          mostra la versione

Per barre di stato, terminali e script: pallowe-status --help.
)");
}
