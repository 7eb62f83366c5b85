#include "TemporaryHome.h"
#include "storage/SettingsStore.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <limits>

Q_DECLARE_METATYPE(AppSettings)

namespace {

AppSettings settings(bool alerts, qint64 threshold, bool extra, std::optional<double> limit,
                     bool background = false)
{
    return AppSettings{alerts, threshold, extra, limit, background};
}

void writeRaw(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QJsonObject readObject(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                          : QJsonObject();
}

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void loads_data();
    void loads();
    void savesAndLoadsBack_data();
    void savesAndLoadsBack();
    void unencodableLimitKeepsPreviousFile();
};

void TestSettingsStore::loads_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: no file
    QTest::addColumn<AppSettings>("expected");

    const AppSettings defaults;
    QTest::newRow("no file") << QByteArray() << settings(true, 80, true, std::nullopt);
    QTest::newRow("one key only") << QByteArray(R"({"alertEnabled":false})") << defaults;
    QTest::newRow("null limit") << QByteArray(R"({"alertEnabled":false,"alertThresholdPercent":60,"showExtraCredits":false,"extraCreditsMonthlyLimit":null})")
                                << settings(false, 60, false, std::nullopt);
    QTest::newRow("limit") << QByteArray(R"({"alertEnabled":true,"alertThresholdPercent":95,"showExtraCredits":true,"extraCreditsMonthlyLimit":12.5,"x":1})")
                           << settings(true, 95, true, 12.5);
    QTest::newRow("fractional threshold") << QByteArray(R"({"alertEnabled":false,"alertThresholdPercent":80.5,"showExtraCredits":false})") << defaults;
    QTest::newRow("threshold 150") << QByteArray(R"({"alertEnabled":true,"alertThresholdPercent":150,"showExtraCredits":true})") << settings(true, 150, true, std::nullopt);
    QTest::newRow("threshold -5") << QByteArray(R"({"alertEnabled":true,"alertThresholdPercent":-5,"showExtraCredits":true})") << settings(true, -5, true, std::nullopt);
    const auto threshold = [](const char* number) {
        return QByteArray(R"({"alertEnabled":true,"alertThresholdPercent":)") + number + R"(,"showExtraCredits":false})";
    };
    QTest::newRow("threshold INT64_MAX") << threshold("9223372036854775807") << settings(true, std::numeric_limits<qint64>::max(), false, std::nullopt);
    QTest::newRow("threshold INT64_MIN") << threshold("-9223372036854775808") << settings(true, std::numeric_limits<qint64>::min(), false, std::nullopt);
    QTest::newRow("threshold 2^53 + 1") << threshold("9007199254740993") << settings(true, 9007199254740993, false, std::nullopt);
    QTest::newRow("threshold 2^63") << threshold("9223372036854775808") << defaults;
    QTest::newRow("threshold 1e300") << threshold("1e300") << defaults;
    QTest::newRow("bool as string") << QByteArray(R"({"alertEnabled":"no","alertThresholdPercent":70,"showExtraCredits":false})") << defaults;
    QTest::newRow("limit as string") << QByteArray(R"({"alertEnabled":false,"alertThresholdPercent":70,"showExtraCredits":false,"extraCreditsMonthlyLimit":"5"})") << defaults;
    QTest::newRow("garbage") << QByteArray("\x01\x02") << defaults;
    QTest::newRow("over 1 MiB") << QByteArray(R"({"alertEnabled":false,"alertThresholdPercent":70,"showExtraCredits":false})").leftJustified((1 << 20) + 1, ' ') << defaults;
    QTest::newRow("background on") << QByteArray(R"({"alertEnabled":false,"alertThresholdPercent":70,"showExtraCredits":true,"backgroundRefresh":true})") << settings(false, 70, true, std::nullopt, true);
    QTest::newRow("background not a Boolean") << QByteArray(R"({"alertEnabled":false,"alertThresholdPercent":70,"showExtraCredits":true,"backgroundRefresh":1})") << settings(false, 70, true, std::nullopt);
    QTest::newRow("background beside a broken key") << QByteArray(R"({"alertEnabled":1,"backgroundRefresh":true})") << settings(true, 80, true, std::nullopt, true);
}

void TestSettingsStore::loads()
{
    QFETCH(QByteArray, file);
    QFETCH(AppSettings, expected);
    TemporaryHome home;
    const SettingsStore store(home.dataFolder());
    if (!file.isEmpty())
        writeRaw(store.filePath(), file);
    QCOMPARE(store.load(), expected);
    QFile written(store.filePath()); // a load never rewrites the file
    QCOMPARE(written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray(), file);
}

void TestSettingsStore::savesAndLoadsBack_data()
{
    QTest::addColumn<AppSettings>("saved");
    QTest::addColumn<int>("keyCount");

    QTest::newRow("no limit") << settings(false, 55, true, std::nullopt) << 3;
    QTest::newRow("limit 50") << settings(true, 90, false, 50.0) << 4;
    QTest::newRow("negative limit") << settings(true, 80, true, -20.0) << 4;
    QTest::newRow("threshold 2^53 + 1") << settings(true, 9007199254740993, true, std::nullopt) << 3;
    QTest::newRow("background on") << settings(true, 80, true, std::nullopt, true) << 4;
}

void TestSettingsStore::savesAndLoadsBack()
{
    QFETCH(AppSettings, saved);
    QFETCH(int, keyCount);
    TemporaryHome home;
    const SettingsStore store(home.dataFolder());
    store.save(saved);
    QCOMPARE(readObject(store.filePath()).size(), keyCount);
    QCOMPARE(store.load(), saved);
}

void TestSettingsStore::unencodableLimitKeepsPreviousFile()
{
    TemporaryHome home;
    const SettingsStore store(home.dataFolder());
    store.save(settings(false, 70, true, 10.0));
    store.save(settings(true, 80, true, std::numeric_limits<double>::infinity()));
    QCOMPARE(store.load(), settings(false, 70, true, 10.0));
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settings_store.moc"
