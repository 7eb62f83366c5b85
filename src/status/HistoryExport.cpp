#include "HistoryExport.h"

#include "HistoryFormatter.h"
#include "StatusReader.h"
#include "state/PrintableText.h"
#include "state/StandardStreams.h"
#include "storage/CredentialStore.h"
#include "storage/HistoryStore.h"

#include <QJsonDocument>

namespace {

constexpr int kNoHistoryExitCode = 2;
constexpr int kUnreadableExitCode = 1;
// 90 days of readings are megabytes of text: they go out in pieces of about this many
// characters, and a failed piece ends the export.
constexpr qsizetype kPieceSize = 64 * 1024;

} // namespace

HistoryExport::HistoryExport(const StatusOptions& options, const QString& dataFolder, QDateTime now)
    : m_options(options), m_dataFolder(dataFolder), m_now(std::move(now))
{}

int HistoryExport::run() const
{
    const HistoryStore store(m_dataFolder);
    if (!store.exists())
        return fail(kNoHistoryExitCode,
                    QStringLiteral("Nessuna cronologia: attivala nelle impostazioni di Pallowe."));
    const auto orgId = CredentialStore::readOnly(m_dataFolder).orgId();
    if (!orgId || orgId->isEmpty())
        return fail(kNoHistoryExitCode, StatusReader::noSessionText());
    const auto readings = store.readings(*orgId, m_now.addDays(-*m_options.historyDays));
    if (!readings)
        return fail(kUnreadableExitCode, readings.error());
    return print(*readings) ? 0 : StandardStreams::reportFailedOutput(StatusOptions::kProgram);
}

int HistoryExport::fail(int exitCode, const QString& text)
{
    StandardStreams::writeLine(stderr, PrintableText::escaped(text));
    return exitCode;
}

bool HistoryExport::print(const QList<HistoryReading>& readings) const
{
    const bool csv = m_options.format == StatusOptions::Format::Csv;
    // JSON: one array, one object a line, so that line tools can still take it apart.
    QString piece = csv ? HistoryFormatter::csvHeader() + u'\n' : QStringLiteral("[");
    for (qsizetype i = 0; i < readings.size(); ++i) {
        if (csv)
            piece += HistoryFormatter::csvRow(readings[i]) + u'\n';
        else
            piece += (i == 0 ? QStringLiteral("\n") : QStringLiteral(",\n")) +
                     QString::fromUtf8(QJsonDocument(HistoryFormatter::json(readings[i]))
                                           .toJson(QJsonDocument::Compact));
        if (piece.size() >= kPieceSize) {
            if (!StandardStreams::write(stdout, piece))
                return false;
            piece.clear();
        }
    }
    if (!csv)
        piece += readings.isEmpty() ? QStringLiteral("]\n") : QStringLiteral("\n]\n");
    return StandardStreams::write(stdout, piece);
}
