#include "Files.h"
#include "TemporaryHome.h"
#include "storage/SettingsStore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <limits>

Q_DECLARE_METATYPE(AppSettings)

class TestSettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void loadsSettings_data()
    {
        QTest::addColumn<QByteArray>("file"); // empty: no file
        QTest::addColumn<AppSettings>("expected");

        const auto row = [](const char* name, const QByteArray& file, const AppSettings& expected) {
            QTest::newRow(name) << file << expected;
        };
        // The three required keys, then what the row adds.
        const auto three = [](const QByteArray& more, const char* threshold = "70") {
            return R"({"alertEnabled":false,"alertThresholdPercent":)" + QByteArray(threshold) +
                   R"(,"showExtraCredits":true)" + more + "}";
        };
        const AppSettings defaults{true, 80, true, std::nullopt, false},
            loaded{false, 70, true, {}};
        row("no file", "", defaults);
        row("three keys", three(""), loaded);
        row("null limit", three(R"(,"extraCreditsMonthlyLimit":null)"), loaded);
        row("limit, unknown key", three(R"(,"extraCreditsMonthlyLimit":12.5,"x":1)"),
            {false, 70, true, 12.5});
        row("background on", three(R"(,"backgroundRefresh":true)"), {false, 70, true, {}, true});
        row("background not a Boolean", three(R"(,"backgroundRefresh":1)"), loaded);
        row("history and reset alert on", three(R"(,"keepHistory":true,"resetAlert":true)"),
            {false, 70, true, {}, false, true, true});
        row("history not a Boolean", three(R"(,"keepHistory":"true","resetAlert":1)"), loaded);
        row("flags beside a broken key",
            R"({"alertEnabled":1,"backgroundRefresh":true,"resetAlert":true})",
            {true, 80, true, {}, true, false, true});
        row("over 1 MiB", three("").leftJustified((1 << 20) + 1, ' '), defaults);
        // Thresholds are integers, taken exactly over the whole 64-bit range.
        const auto threshold = [&](const char* number, std::optional<qint64> taken) {
            row(number, three("", number), taken ? AppSettings{false, *taken, true, {}} : defaults);
        };
        threshold("80.5", std::nullopt);
        threshold("9223372036854775807", std::numeric_limits<qint64>::max());
        threshold("-9223372036854775808", std::numeric_limits<qint64>::min());
        threshold("9007199254740993", 9007199254740993); // 2^53 + 1: no double holds it
        threshold("9223372036854775808", std::nullopt);
    }

    void loadsSettings()
    {
        QFETCH(QByteArray, file);
        QFETCH(AppSettings, expected);
        TemporaryHome home;
        const SettingsStore store(home.dataFolder());
        if (!file.isEmpty())
            writeFile(store.filePath(), file);
        QCOMPARE(store.load(), expected);
        QCOMPARE(contents(store.filePath()), file); // a load never rewrites the file
    }

    void savesSettings_data()
    {
        QTest::addColumn<AppSettings>("saved");
        QTest::addColumn<int>("keyCount"); // 0: not saved, the previous file stays

        QTest::newRow("no limit, background off") << AppSettings{false, 55, true, {}} << 3;
        QTest::newRow("limit 50") << AppSettings{true, 90, false, 50.0} << 4;
        QTest::newRow("threshold 2^53 + 1") << AppSettings{true, 9007199254740993, true, {}} << 3;
        QTest::newRow("background on") << AppSettings{true, 80, true, {}, true} << 4;
        QTest::newRow("history on") << AppSettings{true, 80, true, {}, false, true} << 4;
        QTest::newRow("reset alert on") << AppSettings{true, 80, true, {}, false, false, true} << 4;
        QTest::newRow("infinite limit")
            << AppSettings{true, 80, true, std::numeric_limits<double>::infinity()} << 0;
    }

    void savesSettings()
    {
        QFETCH(AppSettings, saved);
        QFETCH(int, keyCount);
        TemporaryHome home;
        const SettingsStore store(home.dataFolder());
        const AppSettings previous{false, 70, true, 10.0, true};
        QVERIFY(store.save(previous));
        QCOMPARE(store.save(saved), keyCount > 0);
        QCOMPARE(store.load(), keyCount > 0 ? saved : previous);
        QCOMPARE(QJsonDocument::fromJson(contents(store.filePath())).object().size(),
                 keyCount > 0 ? keyCount : 5);
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settings_store.moc"
