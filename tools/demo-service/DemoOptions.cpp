#include "DemoOptions.h"

#include <QCommandLineParser>
#include <memory>

namespace {

const QCommandLineOption kHelp(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                               QStringLiteral("Show this help and exit."));
const QCommandLineOption kAddress(QStringLiteral("address"),
                                  QStringLiteral("Address to listen on (default 127.0.0.1)."),
                                  QStringLiteral("ADDR"), QStringLiteral("127.0.0.1"));
const QCommandLineOption
    kPort(QStringLiteral("port"),
          QStringLiteral("Port to listen on; 0 (the default) picks a free one. The port in use "
                         "is printed alone on the first line of standard output."),
          QStringLiteral("N"), QStringLiteral("0"));
const QCommandLineOption
    kSpeed(QStringLiteral("speed"),
           QStringLiteral("How much faster than real time the usage windows run, from 0.01 to "
                          "1000000 (default 1; 60 makes a five-hour window pass in five "
                          "minutes)."),
           QStringLiteral("N"), QStringLiteral("1"));
const QCommandLineOption
    kSessionKey(QStringLiteral("session-key"),
                QStringLiteral("Accept KEY as a signed-in session without the sign-in page, "
                               "e.g. to pass --sk=KEY to Pallowe. Repeatable."),
                QStringLiteral("KEY"));
const QCommandLineOption
    kCross80(QStringLiteral("cross-80-after"),
             QStringLiteral("The five-hour usage is below 80% in the first N-1 usage replies "
                            "and at or above 80% from the Nth on."),
             QStringLiteral("N"));
const QCommandLineOption
    kExpire(QStringLiteral("expire-after"),
            QStringLiteral("Every session answers N API requests, then 401 for every further "
                           "API request with its key."),
            QStringLiteral("N"));
const QCommandLineOption
    kStatus(QStringLiteral("status"),
            QStringLiteral("Answer every request for PATH with the fixed status CODE, e.g. "
                           "--status=/api/bootstrap=429; a PATH ending in * covers every path "
                           "that starts with it. Repeatable."),
            QStringLiteral("PATH=CODE"));
const QCommandLineOption
    kDelay(QStringLiteral("delay"),
           QStringLiteral("Wait MS milliseconds before answering a request for PATH (same path "
                          "rules as --status). Repeatable."),
           QStringLiteral("PATH=MS"));

std::unique_ptr<QCommandLineParser> makeParser()
{
    auto parser = std::make_unique<QCommandLineParser>();
    parser->setApplicationDescription(
        QStringLiteral("A local stand-in of the Zelvik service for Pallowe's demo and tests: "
                       "a sign-in page at /login, /api/bootstrap and "
                       "/api/organizations/<uuid>/usage. Every request is logged on standard "
                       "error. SIGTERM or SIGINT stop it."));
    parser->addOptions(
        {kHelp, kAddress, kPort, kSpeed, kSessionKey, kCross80, kExpire, kStatus, kDelay});
    return parser;
}

// A value that can stand in a Cookie header as it is.
bool isCookieValue(const QString& key)
{
    if (key.isEmpty())
        return false;
    for (const QChar c : key)
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7f || QStringLiteral("\",;\\").contains(c))
            return false;
    return true;
}

std::optional<int> wholeNumber(const QString& text, int min)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= min ? std::optional(value) : std::nullopt;
}

QString invalid(const QCommandLineOption& option, const QString& value)
{
    return QStringLiteral("invalid --%1: \"%2\"").arg(option.names().constFirst(), value);
}

Expected<QList<PathRule>, QString> pathRules(const QCommandLineParser& parser,
                                             const QCommandLineOption& option, int min, int max)
{
    QList<PathRule> rules;
    for (const QString& value : parser.values(option)) {
        const auto rule = PathRule::parse(value, min, max);
        if (!rule)
            return invalid(option, value);
        rules.append(*rule);
    }
    return rules;
}

} // namespace

Expected<DemoOptions, QString> DemoOptions::fromArguments(const QStringList& arguments)
{
    const auto parser = makeParser();
    if (!parser->parse(arguments))
        return parser->errorText();
    DemoOptions options;
    options.helpRequested = parser->isSet(kHelp);
    if (!parser->positionalArguments().isEmpty())
        return QStringLiteral("unexpected argument: ") + parser->positionalArguments().first();

    options.address = parser->value(kAddress);

    const auto port = wholeNumber(parser->value(kPort), 0);
    if (!port || *port > 65535)
        return invalid(kPort, parser->value(kPort));
    options.port = *port;

    bool isNumber = false;
    options.speed = parser->value(kSpeed).toDouble(&isNumber);
    if (!isNumber || !(options.speed >= 0.01 && options.speed <= 1e6))
        return invalid(kSpeed, parser->value(kSpeed));

    options.sessionKeys = parser->values(kSessionKey);
    for (const QString& key : options.sessionKeys)
        if (!isCookieValue(key))
            return QStringLiteral("invalid --session-key: empty, or not usable in a cookie");

    if (parser->isSet(kCross80)) {
        options.cross80After = wholeNumber(parser->value(kCross80), 1);
        if (!options.cross80After)
            return invalid(kCross80, parser->value(kCross80));
    }
    if (parser->isSet(kExpire)) {
        options.expireAfter = wholeNumber(parser->value(kExpire), 0);
        if (!options.expireAfter)
            return invalid(kExpire, parser->value(kExpire));
    }

    const auto statuses = pathRules(*parser, kStatus, 100, 599);
    if (!statuses)
        return statuses.error();
    options.statuses = statuses.value();
    const auto delays = pathRules(*parser, kDelay, 0, 600000);
    if (!delays)
        return delays.error();
    options.delays = delays.value();
    return options;
}

QString DemoOptions::helpText()
{
    return makeParser()->helpText();
}
