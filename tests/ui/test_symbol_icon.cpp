#include "ui/SymbolIcon.h"

#include <QTest>

Q_DECLARE_METATYPE(SymbolIcon::Name)

class TestSymbolIcon : public QObject
{
    Q_OBJECT

private slots:
    void neverBlank_data();
    void neverBlank();
};

namespace {

// Returns the opaque-enough pixels and whether all of them carry the tint's hue.
struct Ink
{
    int pixels = 0;
    bool allTinted = true;
};

Ink inkOf(const QImage& image, const QColor& tint)
{
    Ink ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() < 128)
                continue;
            ++ink.pixels;
            if (qAbs(pixel.red() - tint.red()) > 40 || qAbs(pixel.green() - tint.green()) > 40 ||
                qAbs(pixel.blue() - tint.blue()) > 40)
                ink.allTinted = false;
        }
    }
    return ink;
}

} // namespace

void TestSymbolIcon::neverBlank_data()
{
    QTest::addColumn<SymbolIcon::Name>("name");
    using N = SymbolIcon::Name;
    const std::pair<const char*, N> names[] = {
        {"chart", N::ChartBarFill},
        {"warning", N::ExclamationmarkTriangleFill},
        {"clock", N::Clock},
        {"calendar", N::Calendar},
        {"card", N::Creditcard},
        {"xmark", N::XmarkCircle},
        {"gear", N::Gearshape},
        {"gear fill", N::GearshapeFill},
        {"refresh", N::ArrowClockwise},
        {"sign out", N::RectanglePortraitAndArrowRight},
        {"person key", N::PersonBadgeKeyFill},
        {"web", N::Safari},
        {"bell", N::Bell},
    };
    for (const auto& [label, name] : names)
        QTest::newRow(label) << name;
}

void TestSymbolIcon::neverBlank()
{
    QFETCH(SymbolIcon::Name, name);
    QVERIFY(!SymbolIcon::icon(name).pixmap(16, 16).isNull());

    const QColor tint(0xAF, 0x52, 0xDE);
    for (const int side : {12, 16, 24, 48}) {
        const QImage image = SymbolIcon::icon(name, tint).pixmap(side, side).toImage();
        QCOMPARE(image.size(), QSize(side, side));
        const Ink ink = inkOf(image, tint);
        QVERIFY2(ink.pixels >= side / 2, qPrintable(QString::number(side)));
        QVERIFY(ink.allTinted);
    }
}

QTEST_MAIN(TestSymbolIcon)
#include "test_symbol_icon.moc"
