// The icon set: images by name from the packed resource.
#include "UIconSet.h"

#include <gtest/gtest.h>

namespace {

TEST(IconSet, ImagesByNameWhateverTheCase) {
    const struct {
        const char* name;
        int size;
    } cases[] = {{"png_error_red_32", 32}, {"png_question_green_32", 32}, {"png_information_blue_32", 32},
                 {"png_question_red_32", 32}, {"Sb_Plus", 16}, {"sb_minus", 16}, {"SB_GRID_TRANSPOSE", 16},
                 {"Sb_Arrow_Down", 16}, {"Sb_Std_Cancel", 16}, {"Sb_Grid_Row_Delete", 16}, {"Sb_Grid_Row_Insert", 16}};
    for (const auto& c : cases) {
        const QImage image = StandardImage(QString::fromLatin1(c.name));
        ASSERT_FALSE(image.isNull()) << c.name;
        EXPECT_EQ(image.size(), QSize(c.size, c.size)) << c.name;
    }
}

TEST(IconSet, UnknownNamesGiveEmptyImagesAndTheCacheStaysBounded) {
    EXPECT_TRUE(StandardImage(QStringLiteral("no such image")).isNull());
    EXPECT_TRUE(StandardImage(QString()).isNull());
    // More names than the cache holds, then a known one again: decoded anew.
    for (int i = 0; i < IconCacheSize * 2; ++i) StandardImage(QStringLiteral("missing %1").arg(i));
    EXPECT_FALSE(StandardImage(QStringLiteral("png_error_red_32")).isNull());
}

} // namespace
