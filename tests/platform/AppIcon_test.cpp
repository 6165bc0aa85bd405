// The icon file installed for the desktop: an SVG document a theme can load.

#include "platform/AppIcon.h"

#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace lemnar {
namespace {

TEST(AppIconTest, SvgIsWellFormedOnTheIconsCanvas) {
    const std::string svg = AppIconSvg();
    QXmlStreamReader xml(QByteArray::fromStdString(svg));
    int shapes = 0;
    bool root = true;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (root) {
            EXPECT_EQ(xml.name(), QStringLiteral("svg"));
            EXPECT_EQ(xml.namespaceUri(), QStringLiteral("http://www.w3.org/2000/svg"));
            EXPECT_EQ(attributes.value(QStringLiteral("viewBox")), QStringLiteral("0 0 32 32"));
            root = false;
            continue;
        }
        ++shapes;
        // Every shape is painted: filled, outlined, or both.
        const bool filled = attributes.value(QStringLiteral("fill")) != QStringLiteral("none");
        EXPECT_TRUE(filled || attributes.hasAttribute(QStringLiteral("stroke")))
            << xml.name().toString().toStdString() << " at line " << xml.lineNumber();
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_GT(shapes, 0);
}

// The window's icon, at every size it carries, is the drawing, not blank.
TEST(AppIconTest, PixmapsShowTheScreenInTheMiddle) {
    for (int size : {16, 32, 48, 128}) {
        const QImage image = AppIconPixmap(size).toImage();
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << size;
        EXPECT_EQ(image.pixelColor(size / 2, size * 14 / 32).rgb(), QColor(0, 0, 170).rgb())
            << size;
    }
}

} // namespace
} // namespace lemnar
