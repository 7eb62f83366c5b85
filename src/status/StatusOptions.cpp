#include "StatusOptions.h"

#include "service/ZelvikApiService.h"
#include "state/PrintableText.h"
#include "state/StartupOptions.h"

namespace {

constexpr qint64 kMaxIntervalSeconds = 86400;

const QString kFormat = QStringLiteral("--format=");
const QString kInterval = QStringLiteral("--refresh-interval=");
const QString kOrigin = QStringLiteral("--service-origin=");
const QString kHistory = QStringLiteral("--history");

std::optional<StatusOptions::Format> formatNamed(const QString& name)
{
    if (name == u"text")
        return StatusOptions::Format::Text;
    if (name == u"json")
        return StatusOptions::Format::Json;
    if (name == u"waybar")
        return StatusOptions::Format::Waybar;
    if (name == u"csv")
        return StatusOptions::Format::Csv;
    return std::nullopt;
}

std::optional<int> historyDaysIn(const QString& text)
{
    const auto days = StartupOptions::intervalSeconds(text); // the same whole positive number
    if (!days || days->count() > StatusOptions::kMaximumHistoryDays)
        return std::nullopt;
    return int(days->count());
}

QString invalid(const QString& what, const QString& value, const QString& expected)
{
    return QStringLiteral("%1 non valido: %2 (%3)")
        .arg(what, PrintableText::escaped(value), expected);
}

} // namespace

Expected<StatusOptions, QString> StatusOptions::parse(const QStringList& arguments)
{
    StatusOptions options;
    options.serviceOrigin = ZelvikApiService::kDefaultOrigin;
    std::optional<Format> givenFormat;
    for (const QString& argument : arguments.mid(1)) {
        if (argument == u"--help" || argument == u"-h") {
            options.helpRequested = true;
        } else if (argument == u"--version") {
            options.versionRequested = true;
        } else if (argument == u"--watch") {
            options.watch = true;
        } else if (argument.startsWith(kFormat)) {
            givenFormat = formatNamed(argument.mid(kFormat.size()));
            if (!givenFormat)
                return invalid(QStringLiteral("formato"), argument.mid(kFormat.size()),
                               QStringLiteral("text, json, waybar o csv"));
        } else if (argument == kHistory) {
            options.historyDays = kDefaultHistoryDays;
        } else if (argument.startsWith(kHistory + u'=')) {
            const QString value = argument.mid(kHistory.size() + 1);
            options.historyDays = historyDaysIn(value);
            if (!options.historyDays)
                return invalid(QStringLiteral("numero di giorni"), value,
                               QStringLiteral("da 1 a %1").arg(kMaximumHistoryDays));
        } else if (argument.startsWith(kInterval)) {
            const auto seconds = StartupOptions::intervalSeconds(argument.mid(kInterval.size()));
            if (!seconds || seconds->count() > kMaxIntervalSeconds)
                return invalid(QStringLiteral("intervallo"), argument.mid(kInterval.size()),
                               QStringLiteral("secondi, da 1 a %1").arg(kMaxIntervalSeconds));
            options.refreshInterval = *seconds;
        } else if (argument.startsWith(kOrigin)) {
            const auto origin = StartupOptions::normalizedOrigin(argument.mid(kOrigin.size()));
            if (!origin)
                return invalid(QStringLiteral("indirizzo del servizio"),
                               argument.mid(kOrigin.size()),
                               QStringLiteral("http o https, host e porta facoltativa"));
            options.serviceOrigin = *origin;
        } else {
            return QStringLiteral("opzione sconosciuta: %1").arg(PrintableText::escaped(argument));
        }
    }
    return options.withFormat(givenFormat);
}

// The stored readings are data for a spreadsheet or a script, not a line for a status bar.
Expected<StatusOptions, QString> StatusOptions::withFormat(std::optional<Format> given) const
{
    StatusOptions options = *this;
    if (!historyDays) {
        if (given == Format::Csv)
            return QStringLiteral("--format=csv vale solo con --history");
        options.format = given.value_or(Format::Text);
        return options;
    }
    if (watch)
        return QStringLiteral("--history non si usa con --watch");
    options.format = given.value_or(Format::Csv);
    if (options.format != Format::Csv && options.format != Format::Json)
        return QStringLiteral("con --history il formato è csv o json");
    return options;
}

QString StatusOptions::usageLine()
{
    return QStringLiteral("Uso: pallowe-status [--format=text|json|waybar] [--watch] "
                          "[--refresh-interval=SECONDI] [--service-origin=URL]\n"
                          "     pallowe-status --history[=GIORNI] [--format=csv|json]");
}

QString StatusOptions::helpText()
{
    return usageLine() + QStringLiteral(R"(

Mostra l'utilizzo del piano Zelvik della sessione salvata da Pallowe, per barre di stato,
terminali e script. Legge la sessione senza scrivere né cancellare alcun file.

  --format=text      una riga di testo (predefinito)
  --format=json      un oggetto JSON su una riga
  --format=waybar    l'oggetto JSON del modulo custom di waybar
  --watch            non esce: una nuova riga a ogni intervallo, fino a SIGTERM o SIGINT;
                     un errore stampa una riga di errore e la lettura continua
  --refresh-interval=SECONDI
                     l'intervallo di --watch (predefinito 300)
  --service-origin=URL
                     l'indirizzo del servizio (predefinito https://zelvik.ai)
  --history[=GIORNI] stampa le letture che Pallowe ha salvato negli ultimi GIORNI giorni
                     (predefinito 7, al massimo 90) per l'organizzazione della sessione,
                     senza chiedere nulla al servizio; serve la cronologia attivata nelle
                     impostazioni di Pallowe. Con --format=csv (predefinito) una riga di
                     intestazione e una riga per lettura, con --format=json un array con
                     un oggetto per riga; non si usa con text, waybar o --watch
  -h, --help         mostra questo aiuto
  --version          mostra la versione

Codici di uscita:
  0   lettura riuscita; con --watch, arresto con SIGTERM o SIGINT
  1   errore di rete o del servizio, cronologia illeggibile, o l'uscita standard non si
      può scrivere
  2   nessuna sessione salvata utilizzabile; con --history, nessuna cronologia salvata
  3   il servizio ha rifiutato la sessione
  64  opzioni non valide
)");
}

QString StatusOptions::versionLine()
{
    return QStringLiteral("pallowe-status " PALLOWE_VERSION);
}
