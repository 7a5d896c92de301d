#include "controls/PictureCompositor.h"

#include <QImage>
#include <QTest>

namespace {

// A 24-bit image whose pixels are given row by row as 0xBBGGRR values.
QImage image24(int width, int height, const QList<quint32>& pixels)
{
    QImage image(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const quint32 c = pixels.at(y * width + x);
            image.setPixel(x, y, qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
        }
    }
    return image;
}

quint32 at(const QImage& image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return quint32(qRed(p)) | (quint32(qGreen(p)) << 8) | (quint32(qBlue(p)) << 16);
}

} // namespace

class TestPictureCompositor : public QObject
{
    Q_OBJECT

private slots:
    void oddWidthRowsDoNotShear();
    void maskColourIsTransparentOnlyWhenUsed();
    void solidAndDarkOnlySilhouettes();
    void greyRoundsHalvesToEven();
    void ghostIsTwoThirdsPicture();
    void compositeClipsToTheSurface();
};

void TestPictureCompositor::oddWidthRowsDoNotShear()
{
    // Three pixels make nine bytes a row, padded to twelve.
    QImage background = image24(3, 2, QList<quint32>(6, 0x000000));
    const QImage picture = image24(3, 2, {0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112});
    QCOMPARE(background.bytesPerLine(), 12);
    PictureCompositor::compositePixels(background, picture, {});
    QCOMPARE(at(background, 0, 1), 0x0A0B0Cu);
    QCOMPARE(at(background, 2, 1), 0x101112u);
    QCOMPARE(at(background, 2, 0), 0x070809u);
}

void TestPictureCompositor::maskColourIsTransparentOnlyWhenUsed()
{
    const QImage picture = image24(2, 1, {0xC0C0C0, 0x112233});
    QImage background = image24(2, 1, {0x0000FF, 0x0000FF});
    PictureCompositor::Options options;
    options.key = 0xC0C0C0;
    PictureCompositor::compositePixels(background, picture, options);
    QCOMPARE(at(background, 0, 0), 0x0000FFu);
    QCOMPARE(at(background, 1, 0), 0x112233u);

    options.useKey = false;
    PictureCompositor::compositePixels(background, picture, options);
    QCOMPARE(at(background, 0, 0), 0xC0C0C0u);
}

void TestPictureCompositor::solidAndDarkOnlySilhouettes()
{
    // Component sums 384 (dark enough) and 385 (too light), and the mask colour.
    const QImage picture = image24(3, 1, {0x808080, 0x818080, 0xC0C0C0});
    QImage background = image24(3, 1, {0, 0, 0});
    PictureCompositor::Options options;
    options.solid = 0x00FF00;
    options.darkOnly = true;
    PictureCompositor::compositePixels(background, picture, options);
    QCOMPARE(at(background, 0, 0), 0x00FF00u);
    QCOMPARE(at(background, 1, 0), 0u);
    QCOMPARE(at(background, 2, 0), 0u);

    options.darkOnly = false;
    PictureCompositor::compositePixels(background, picture, options);
    QCOMPARE(at(background, 1, 0), 0x00FF00u);
    QCOMPARE(at(background, 2, 0), 0u);
}

void TestPictureCompositor::greyRoundsHalvesToEven()
{
    // 0.3 * 5 = 1.5 rounds to 2; 0.3 * 15 = 4.5 rounds to 4; 0.3 * 255 = 76.5 rounds to 76, so white
    // comes out as 150.45 + 76 + 28.05 = 254.5, rounded to 254.
    QCOMPARE(PictureCompositor::grey(5, 0, 0), 2);
    QCOMPARE(PictureCompositor::grey(15, 0, 0), 4);
    QCOMPARE(PictureCompositor::grey(255, 255, 255), 254);
    QCOMPARE(PictureCompositor::grey(0, 100, 200), 81); // 59 + 0 + 22 = 81
    QCOMPARE(PictureCompositor::grey(0, 0, 0), 0);

    QImage background = image24(1, 1, {0});
    PictureCompositor::Options options;
    options.grey = true;
    PictureCompositor::compositePixels(background, image24(1, 1, {0x00000F}), options);
    QCOMPARE(at(background, 0, 0), 0x040404u);
}

void TestPictureCompositor::ghostIsTwoThirdsPicture()
{
    QImage background = image24(1, 1, {0x1E140A}); // red 10, green 20, blue 30
    PictureCompositor::Options options;
    options.ghost = true;
    PictureCompositor::compositePixels(background, image24(1, 1, {0x0064C8}), options); // 200, 100, 0
    // (2 * 200 + 10) / 3 = 136, (2 * 100 + 20) / 3 = 73, (0 + 30) / 3 = 10.
    QCOMPARE(at(background, 0, 0), 0x0A4988u);
}

void TestPictureCompositor::compositeClipsToTheSurface()
{
    QImage surface(4, 4, QImage::Format_RGB32);
    surface.fill(Qt::black);
    const QImage picture = image24(
        3, 3, {0x000001, 0x000002, 0x000003, 0x000004, 0x000005, 0x000006, 0x000007, 0x000008, 0x000009});
    PictureCompositor::composite(surface, -1, 2, 3, 3, picture, {});
    QCOMPARE(qRed(surface.pixel(0, 2)), 2);
    QCOMPARE(qRed(surface.pixel(1, 3)), 6);
    QCOMPARE(qRed(surface.pixel(2, 2)), 0);
    PictureCompositor::composite(surface, 0, 0, 0, 3, picture, {});
    QCOMPARE(qRed(surface.pixel(0, 0)), 0);
}

QTEST_MAIN(TestPictureCompositor)
#include "TestPictureCompositor.moc"
