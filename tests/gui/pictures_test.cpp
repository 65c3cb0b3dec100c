#include "gui/shell/gui_resources.h"
#include "gui/shell/pictures.h"
#include "gui/shell/theme.h"

#include <QDirIterator>
#include <QImage>
#include <QSet>

#include <gtest/gtest.h>

namespace {

using namespace olvex;

TEST(Pictures, EveryNamedPictureLoadsAtItsSize) {
    init_gui_resources();
    for (const picture_resource& p : program_pictures()) {
        const QImage image(QString::fromLatin1(p.path));
        ASSERT_FALSE(image.isNull()) << p.path;
        EXPECT_EQ(image.size(), QSize(p.width, p.height)) << p.path;
        EXPECT_TRUE(image.hasAlphaChannel()) << p.path;
    }
}

TEST(Pictures, TheThemesNameOnlyPicturesOfTheSet) {
    QSet<QString> set;
    for (const picture_resource& p : program_pictures()) set.insert(QString::fromLatin1(p.path));
    for (int theme = 0; theme < theme_count; ++theme)
        for (int item : {theme_state_image, theme_banner_image}) {
            const QString path = QString::fromStdString(theme_style_sheet(theme, item));
            EXPECT_TRUE(set.contains(path)) << path.toStdString();
        }
}

TEST(Pictures, NothingEmbeddedIsLeftUnnamed) {
    init_gui_resources();
    QSet<QString> named;
    for (const picture_resource& p : program_pictures()) {
        QString path = QString::fromLatin1(p.path);
        if (!path.startsWith(":/")) path.insert(1, '/');
        named.insert(path);
    }
    int embedded = 0;
    for (QDirIterator it(":/", QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        if (!path.endsWith(".png") || path.startsWith(":/qt-project.org")) continue;
        ++embedded;
        EXPECT_TRUE(named.contains(path)) << path.toStdString();
    }
    EXPECT_EQ(embedded, named.size());
}

}  // namespace
