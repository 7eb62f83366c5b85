#include "ScreenTest.h"
#include "ui/style/SymbolIcon.h"

// The symbols every window draws, taken from the desktop's icon theme or drawn by the program.
class TestStyle : public QObject
{
    Q_OBJECT

private slots:
    void symbolsAreNeverBlank()
    {
        const QColor tint(0xAF, 0x52, 0xDE);
        for (int n = 0; n <= int(SymbolIcon::Name::Bell); ++n) {
            QVERIFY(!SymbolIcon::icon(SymbolIcon::Name(n)).pixmap(16, 16).isNull());
            for (const int side : {12, 16, 24, 48}) {
                const QImage image =
                    SymbolIcon::icon(SymbolIcon::Name(n), tint).pixmap(side, side).toImage();
                const int ink = pixelsNear(image, tint, 255, 128);
                const QString what = QStringLiteral("symbol %1 at %2").arg(n).arg(side);
                QVERIFY2(image.size() == QSize(side, side) && ink >= side / 2, qPrintable(what));
                QVERIFY2(pixelsNear(image, tint, 40, 128) == ink, qPrintable(what)); // all tinted
            }
        }
    }
};

QTEST_MAIN(TestStyle)
#include "test_style.moc"
