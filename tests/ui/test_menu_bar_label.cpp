#include "ui/MenuBarLabel.h"
#include "ui/SystemColors.h"

#include <QTest>

Q_DECLARE_METATYPE(MenuBarLabel::Needle)
Q_DECLARE_METATYPE(MenuBarLabel::Band)

class TestMenuBarLabel : public QObject
{
    Q_OBJECT

private slots:
    void bands_data();
    void bands();
    void texts();
    void iconHoldsEverySize();
    void iconIsDrawnInBandColour_data();
    void iconIsDrawnInBandColour();
    void needleShowsInPixels();
    void numberDrawnOnlyWhenConfigured();
};

namespace {

int pixelsNear(const QImage& image, const QColor& color)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() == 255 && qAbs(pixel.red() - color.red()) < 12 &&
                qAbs(pixel.green() - color.green()) < 12 && qAbs(pixel.blue() - color.blue()) < 12)
                ++count;
        }
    }
    return count;
}

} // namespace

void TestMenuBarLabel::bands_data()
{
    QTest::addColumn<qint64>("percent");
    QTest::addColumn<MenuBarLabel::Needle>("needle");
    QTest::addColumn<MenuBarLabel::Band>("band");
    QTest::addColumn<QColor>("color");

    using N = MenuBarLabel::Needle;
    using B = MenuBarLabel::Band;
    QTest::newRow("negative") << qint64(-7) << N::Bottom << B::Green << SystemColors::green();
    QTest::newRow("0") << qint64(0) << N::Bottom << B::Green << SystemColors::green();
    QTest::newRow("34") << qint64(34) << N::Bottom << B::Green << SystemColors::green();
    QTest::newRow("35") << qint64(35) << N::Third << B::Green << SystemColors::green();
    QTest::newRow("64") << qint64(64) << N::Third << B::Green << SystemColors::green();
    QTest::newRow("65") << qint64(65) << N::TwoThirds << B::Orange << SystemColors::orange();
    QTest::newRow("84") << qint64(84) << N::TwoThirds << B::Orange << SystemColors::orange();
    QTest::newRow("85") << qint64(85) << N::Full << B::Red << SystemColors::red();
    QTest::newRow("130") << qint64(130) << N::Full << B::Red << SystemColors::red();
    QTest::newRow("huge") << std::numeric_limits<qint64>::max() << N::Full << B::Red
                          << SystemColors::red();
}

void TestMenuBarLabel::bands()
{
    QFETCH(qint64, percent);
    QFETCH(MenuBarLabel::Needle, needle);
    QFETCH(MenuBarLabel::Band, band);
    QFETCH(QColor, color);
    QCOMPARE(MenuBarLabel::needle(percent), needle);
    QCOMPARE(MenuBarLabel::band(percent), band);
    QCOMPARE(MenuBarLabel::color(percent), color);
}

void TestMenuBarLabel::texts()
{
    QCOMPARE(MenuBarLabel::toolTip(42, true), QStringLiteral("Pallowe — 42%"));
    QCOMPARE(MenuBarLabel::toolTip(42, false), QStringLiteral("Pallowe"));
    QCOMPARE(MenuBarLabel::toolTip(42, true, QStringLiteral("Aggiornato 12 minuti fa")),
             QStringLiteral("Pallowe — 42%\nAggiornato 12 minuti fa"));
    QCOMPARE(MenuBarLabel::percentText(130), QStringLiteral("130%"));
    QCOMPARE(MenuBarLabel::percentText(-3), QStringLiteral("-3%"));
}

void TestMenuBarLabel::iconHoldsEverySize()
{
    const QIcon icon = MenuBarLabel::icon(42, true);
    const QList<QSize> sizes = icon.availableSizes();
    for (const int side : MenuBarLabel::iconSizes()) {
        QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
        QCOMPARE(icon.pixmap(side, side).size(), QSize(side, side));
    }
}

void TestMenuBarLabel::iconIsDrawnInBandColour_data()
{
    QTest::addColumn<qint64>("percent");
    QTest::addColumn<bool>("configured");
    QTest::addColumn<bool>("dark");
    for (const qint64 percent : {0, 42, 70, 90})
        for (const bool configured : {false, true})
            for (const bool dark : {false, true})
                QTest::addRow("%lld %s %s", static_cast<long long>(percent),
                              configured ? "configured" : "not configured", dark ? "dark" : "light")
                    << percent << configured << dark;
}

void TestMenuBarLabel::iconIsDrawnInBandColour()
{
    QFETCH(qint64, percent);
    QFETCH(bool, configured);
    QFETCH(bool, dark);
    const QPalette palette = dark ? QPalette(QColor(0x31, 0x36, 0x3B)) : QPalette(Qt::white);
    const QImage image = MenuBarLabel::image(percent, configured, 22, palette);
    QCOMPARE(image.size(), QSize(22, 22));
    const QColor own = MenuBarLabel::color(percent, palette);
    QVERIFY(pixelsNear(image, own) > 30);
    for (const QColor& other : {SystemColors::green(palette), SystemColors::orange(palette),
                                SystemColors::red(palette)}) {
        if (other != own)
            QCOMPARE(pixelsNear(image, other), 0);
    }
}

void TestMenuBarLabel::needleShowsInPixels()
{
    // Same colour band, different needles: the pictures must differ.
    QVERIFY(MenuBarLabel::image(34, false, 22) != MenuBarLabel::image(35, false, 22));
    QCOMPARE(MenuBarLabel::image(35, false, 22), MenuBarLabel::image(64, false, 22));
}

void TestMenuBarLabel::numberDrawnOnlyWhenConfigured()
{
    for (const int side : MenuBarLabel::iconSizes()) {
        // Without a session the icon shows the band only, so numbers of one band look alike.
        QCOMPARE(MenuBarLabel::image(42, false, side), MenuBarLabel::image(43, false, side));
        QVERIFY(MenuBarLabel::image(42, true, side) != MenuBarLabel::image(43, true, side));
        QVERIFY(MenuBarLabel::image(42, true, side) != MenuBarLabel::image(42, false, side));
    }
}

QTEST_MAIN(TestMenuBarLabel)
#include "test_menu_bar_label.moc"
