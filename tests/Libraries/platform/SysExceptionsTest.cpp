#include "SysExceptions.h"

#include <gtest/gtest.h>

TEST(Exception, CarriesMessageAsUtf8AndClassName) {
    try {
        throw EConvertError(QStringLiteral("« %s » n'est pas un nombre"));
    } catch (const Exception& e) {
        EXPECT_EQ(e.className(), QStringLiteral("EConvertError"));
        EXPECT_STREQ(e.what(), "« %s » n'est pas un nombre");
        EXPECT_EQ(e.message(), QStringLiteral("« %s » n'est pas un nombre"));
    }
}
