#include "ui/PopupPlacement.h"

#include <QTest>

class TestPopupPlacement : public QObject
{
    Q_OBJECT

private slots:
    void placement_data()
    {
        QTest::addColumn<QRect>("icon");
        QTest::addColumn<QPoint>("cursor");
        QTest::addColumn<QPoint>("expected");

        const QPoint nowhere(-1000, -1000);
        // Screen 0,0 1280x800 with a 32-pixel panel on top; the popup is 300x400.
        QTest::newRow("under the icon, centred")
            << QRect(600, 0, 32, 32) << nowhere << QPoint(466, 32);
        QTest::newRow("icon at the right edge")
            << QRect(1248, 0, 32, 32) << nowhere << QPoint(980, 32);
        QTest::newRow("icon at the left edge") << QRect(0, 0, 32, 32) << nowhere << QPoint(0, 32);
        QTest::newRow("icon in a bottom panel, above it")
            << QRect(600, 768, 32, 32) << nowhere << QPoint(466, 368);
        QTest::newRow("no icon geometry: at the pointer")
            << QRect() << QPoint(100, 50) << QPoint(100, 51);
        QTest::newRow("pointer near the bottom right")
            << QRect() << QPoint(1270, 790) << QPoint(980, 390);
        QTest::newRow("pointer above the available area")
            << QRect() << QPoint(500, 5) << QPoint(500, 32);
    }

    void placement()
    {
        QFETCH(QRect, icon);
        QFETCH(QPoint, cursor);
        QFETCH(QPoint, expected);
        const QRect available(0, 32, 1280, 768);
        const QSize size(300, 400);
        const QPoint topLeft = PopupPlacement::topLeft(icon, cursor, size, available);
        QCOMPARE(topLeft, expected);
        QVERIFY(available.contains(QRect(topLeft, size)));
    }
};

QTEST_APPLESS_MAIN(TestPopupPlacement)
#include "test_popup_placement.moc"
