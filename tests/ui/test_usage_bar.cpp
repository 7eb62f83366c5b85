#include "ui/SystemColors.h"
#include "ui/UsageBar.h"

#include <QTest>
#include <cmath>

class TestUsageBar : public QObject
{
    Q_OBJECT

private slots:
    void bandAndText_data();
    void bandAndText();
    void fillWidth_data();
    void fillWidth();
    void fillFollowsWidth();
    void fillIsPainted();
    void animationReachesTarget();
    void linesKeepTheirPlace();
};

namespace {

// A row laid out at a width like the panel's, without showing a window.
void layOut(UsageBar& bar, int width)
{
    bar.resize(width, bar.sizeHint().height());
}

} // namespace

void TestUsageBar::bandAndText_data()
{
    QTest::addColumn<double>("percent");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("color");

    QTest::newRow("0") << 0.0 << "0%" << SystemColors::blue();
    QTest::newRow("42.6 rounds up") << 42.6 << "43%" << SystemColors::blue();
    QTest::newRow("64.9 reads 65 but stays blue") << 64.9 << "65%" << SystemColors::blue();
    QTest::newRow("65") << 65.0 << "65%" << SystemColors::orange();
    QTest::newRow("84.6 reads 85 but stays orange") << 84.6 << "85%" << SystemColors::orange();
    QTest::newRow("85") << 85.0 << "85%" << SystemColors::red();
    QTest::newRow("120") << 120.0 << "120%" << SystemColors::red();
    QTest::newRow("negative") << -3.0 << "-3%" << SystemColors::blue();
}

void TestUsageBar::bandAndText()
{
    QFETCH(double, percent);
    QFETCH(QString, text);
    QFETCH(QColor, color);
    const UsageBar bar(QStringLiteral("Sessione corrente"), percent, QString());
    QCOMPARE(bar.percentText(), text);
    QCOMPARE(bar.bandColor(), color);
    QCOMPARE(bar.fillColor(), color);
}

void TestUsageBar::fillWidth_data()
{
    QTest::addColumn<double>("percent");
    QTest::addColumn<double>("fractionOfTrack");

    QTest::newRow("half") << 50.0 << 0.5;
    QTest::newRow("full") << 100.0 << 1.0;
    QTest::newRow("past the end") << 120.0 << 1.2;
}

void TestUsageBar::fillWidth()
{
    QFETCH(double, percent);
    QFETCH(double, fractionOfTrack);
    UsageBar bar(QStringLiteral("Tutti i modelli"), percent, QString());
    layOut(bar, 272);
    QCOMPARE(bar.fillWidth(), bar.trackRect().width() * fractionOfTrack);
    QCOMPARE(bar.fillWidth(), bar.targetFillWidth());
}

void TestUsageBar::fillFollowsWidth()
{
    UsageBar bar(QStringLiteral("Tutti i modelli"), 0.0, QString());
    layOut(bar, 272);
    QCOMPARE(bar.fillWidth(), 4.0);
    bar.setPercent(-3);
    QCOMPARE(bar.targetFillWidth(), 4.0);

    bar.setPercent(50);
    const qreal wide = bar.targetFillWidth();
    layOut(bar, 136);
    QCOMPARE(bar.targetFillWidth(), wide / 2);
    layOut(bar, 4);
    bar.setPercent(1);
    QCOMPARE(bar.targetFillWidth(), 4.0);
    bar.setPercent(std::nan(""));
    QCOMPARE(bar.targetFillWidth(), 4.0);
}

void TestUsageBar::fillIsPainted()
{
    UsageBar bar(QStringLiteral("Solo Drevan"), 120.0, QString());
    layOut(bar, 200);
    const QRectF track = bar.trackRect();
    const QPoint trackEnd(qFloor(track.right()) - 3, qFloor(track.center().y()));
    QCOMPARE(bar.grab().toImage().pixelColor(trackEnd), SystemColors::red());

    UsageBar half(QStringLiteral("Solo Drevan"), 50.0, QString());
    layOut(half, 200);
    QVERIFY(half.grab().toImage().pixelColor(trackEnd) != SystemColors::blue());
    const QPoint trackStart(qCeil(track.left()) + 3, qFloor(track.center().y()));
    QCOMPARE(half.grab().toImage().pixelColor(trackStart), SystemColors::blue());
}

void TestUsageBar::animationReachesTarget()
{
    UsageBar bar(QStringLiteral("Sessione corrente"), 10.0,
                 QStringLiteral("Si ripristina tra 1 h"));
    layOut(bar, 272);
    const qreal start = bar.fillWidth();
    bar.setPercent(90);
    // The texts switch at once; the fill slides from where it was.
    QCOMPARE(bar.percentText(), QStringLiteral("90%"));
    QCOMPARE(bar.bandColor(), SystemColors::red());
    QCOMPARE(bar.fillWidth(), start);
    QVERIFY(bar.targetFillWidth() > start);
    QTRY_COMPARE(bar.fillWidth(), bar.targetFillWidth());
    QTRY_COMPARE(bar.fillColor(), SystemColors::red());
}

void TestUsageBar::linesKeepTheirPlace()
{
    const UsageBar empty(QStringLiteral("Crediti aggiuntivi"), 5.0, QString());
    const UsageBar withText(QStringLiteral("Crediti aggiuntivi"), 5.0,
                            QStringLiteral("Valuta: EUR"));
    QCOMPARE(empty.sizeHint().height(), withText.sizeHint().height());

    UsageBar withSubtitle(QStringLiteral("Crediti aggiuntivi"), 5.0, QString(),
                          QStringLiteral("mese corrente"));
    QVERIFY(withSubtitle.sizeHint().height() > empty.sizeHint().height());
    withSubtitle.setSubtitle(std::nullopt);
    QCOMPARE(withSubtitle.sizeHint().height(), empty.sizeHint().height());
}

QTEST_MAIN(TestUsageBar)
#include "test_usage_bar.moc"
