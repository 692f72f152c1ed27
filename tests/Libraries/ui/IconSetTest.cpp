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

TEST(IconSet, ActionImagesByIndex) {
    const int used[] = {0, 1, 2, 3, 4, 5, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28};
    for (const int index : used) {
        const QImage image = ActionImage(index);
        ASSERT_FALSE(image.isNull()) << index;
        EXPECT_EQ(image.size(), QSize(16, 16)) << index;
    }
    for (const int index : {-1, 6, 13, 29, 1000}) EXPECT_TRUE(ActionImage(index).isNull()) << index;
    EXPECT_EQ(ActionImageName(0 + 21), QStringLiteral("Img_View_Default")) << "a view marked as the default display";
}

} // namespace
