// The target's Qt as the windows use it: a widget's text is drawn with the fonts the platform
// finds (the Windows build's offscreen platform draws nothing without them).
#include <QFontDatabase>
#include <QImage>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

// Pixels that differ from the colour of the top-left corner.
int ink(const QImage& image) {
    const QRgb background = image.pixel(0, 0);
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) != background;
    return n;
}

TEST(QtPlatform, LabelTextIsDrawn) {
    ASSERT_FALSE(QFontDatabase().families().isEmpty()) << "the platform found no font";
    QLabel label(QStringLiteral("Erase 0123 \u00c4\u00d6\u00dc"));
    label.resize(label.sizeHint());
    const QImage image = label.grab().toImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(ink(image), 50) << "the label's text left no mark";
}

}  // namespace
