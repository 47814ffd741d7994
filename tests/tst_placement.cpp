// Where the text and the logo go: the nine positions, offsets, truncation rules.
#include "engine/stamp/placement.h"

#include <QPainter>
#include <QtTest>

class TstPlacement : public QObject
{
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void logo_data();
    void logo();
    void firstCheckedButtonWins();
    void measuredBoxMatchesDrawnBox();
};

void TstPlacement::text_data()
{
    QTest::addColumn<int>("alignment");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("textSize");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<QPoint>("expected");
    const QSize picture(1000, 800);
    const QSize box(201, 31);
    const QPoint offset(7, -3);
    QTest::newRow("top-left") << 1 << picture << box << offset << QPoint(7, -3);
    QTest::newRow("top") << 2 << picture << box << offset << QPoint(500 - 100 + 7, -3);
    QTest::newRow("top-right") << 3 << picture << box << offset << QPoint(1000 - 201 + 7, -3);
    QTest::newRow("left") << 4 << picture << box << offset << QPoint(7, 400 - 15 - 3);
    QTest::newRow("center, offset 0") << 5 << picture << box << QPoint() << QPoint(400, 385);
    QTest::newRow("right") << 6 << picture << box << offset << QPoint(799 + 7, 385 - 3);
    QTest::newRow("bottom-left") << 7 << picture << box << offset << QPoint(7, 800 - 31 - 3);
    QTest::newRow("bottom") << 8 << picture << box << offset << QPoint(407, 766);
    QTest::newRow("bottom-right") << 9 << picture << box << offset << QPoint(806, 766);
    QTest::newRow("bottom-right, empty box")
        << 9 << picture << QSize(0, 0) << QPoint(25, 40) << QPoint(1025, 840);
    QTest::newRow("center, odd sizes truncate both halves")
        << 5 << QSize(999, 601) << QSize(101, 33) << QPoint() << QPoint(499 - 50, 300 - 16);
    QTest::newRow("bottom-right, positive offset pushes past the edge")
        << 9 << QSize(100, 50) << QSize(10, 10) << QPoint(5, 5) << QPoint(95, 45);
}

void TstPlacement::text()
{
    QFETCH(int, alignment);
    QFETCH(QSize, picture);
    QFETCH(QSize, textSize);
    QFETCH(QPoint, offset);
    QFETCH(QPoint, expected);
    QCOMPARE(textTopLeft(StampAlignment(alignment), picture, textSize, offset), expected);
}

void TstPlacement::logo_data()
{
    QTest::addColumn<int>("alignment");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("logoSize");
    QTest::addColumn<double>("scale");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<QPoint>("expected");
    const QSize picture(1000, 800);
    const QSize logo(300, 100);
    QTest::newRow("top-left") << 1 << picture << logo << 0.5 << QPoint(-10, -10)
                              << QPoint(-10, -10);
    QTest::newRow("top") << 2 << picture << logo << 0.5 << QPoint(3, 4) << QPoint(3 + 500 - 75, 4);
    QTest::newRow("top-right") << 3 << picture << logo << 0.5 << QPoint() << QPoint(850, 0);
    QTest::newRow("left") << 4 << picture << logo << 0.5 << QPoint() << QPoint(0, 375);
    QTest::newRow("center") << 5 << picture << logo << 0.5 << QPoint() << QPoint(425, 375);
    QTest::newRow("right") << 6 << picture << logo << 0.5 << QPoint() << QPoint(850, 375);
    QTest::newRow("bottom-left") << 7 << picture << logo << 0.5 << QPoint() << QPoint(0, 750);
    QTest::newRow("bottom") << 8 << picture << logo << 0.5 << QPoint() << QPoint(425, 750);
    QTest::newRow("bottom-right, offset -10,-10")
        << 9 << picture << logo << 0.5 << QPoint(-10, -10) << QPoint(840, 740);
    QTest::newRow("top, odd widths: integer half of the picture, exact half of the logo")
        << 2 << QSize(999, 800) << QSize(101, 10) << 1.0 << QPoint() << QPoint(448, 0);
    QTest::newRow("center, logo wider than the picture truncates toward zero")
        << 5 << QSize(100, 100) << QSize(125, 10) << 1.0 << QPoint() << QPoint(-12, 45);
    QTest::newRow("bottom-right, logo larger than the picture")
        << 9 << QSize(100, 80) << QSize(300, 200) << 1.0 << QPoint() << QPoint(-200, -120);
    QTest::newRow("no logo") << 9 << picture << QSize(0, 0) << 1.0 << QPoint(1, 2)
                             << QPoint(1001, 802);
}

void TstPlacement::logo()
{
    QFETCH(int, alignment);
    QFETCH(QSize, picture);
    QFETCH(QSize, logoSize);
    QFETCH(double, scale);
    QFETCH(QPoint, offset);
    QFETCH(QPoint, expected);
    QCOMPARE(logoTopLeft(StampAlignment(alignment), picture, logoSize, scale, offset), expected);
}

void TstPlacement::firstCheckedButtonWins()
{
    QVector<bool> checked(9, false);
    QCOMPARE(alignmentOfFirstChecked(checked), StampAlignment::TopLeft);
    checked[8] = true;
    QCOMPARE(alignmentOfFirstChecked(checked), StampAlignment::BottomRight);
    checked[4] = true;
    QCOMPARE(alignmentOfFirstChecked(checked), StampAlignment::Center);
}

void TstPlacement::measuredBoxMatchesDrawnBox()
{
    const QFont font(QStringLiteral("DejaVu Sans"), 18);
    const QString text = QStringLiteral("Sample watermark");
    QImage picture(600, 100, QImage::Format_ARGB32);
    QPainter painter(&picture);
    painter.setFont(font);
    QRect drawn;
    painter.drawText(QRect(0, 0, 99999, 99999), 0, text, &drawn);
    painter.end();
    const QRect measured
        = measureText(text, font, picture.dotsPerMeterX(), picture.dotsPerMeterY());
    QCOMPARE(measured, drawn);
    QVERIFY(measured.width() > 100);

    // Twice the resolution, twice the pixels for the same point size.
    const QRect denser
        = measureText(text, font, picture.dotsPerMeterX() * 2, picture.dotsPerMeterY() * 2);
    QVERIFY(denser.height() > measured.height() * 3 / 2);
}

QTEST_MAIN(TstPlacement)
#include "tst_placement.moc"
