// Icons and metafiles need the system's decoder; this system has none.
#include <gtest/gtest.h>

#include "engine/PictureFit.h"
#include "support/TempDir.h"

TEST(SystemPictures, AreRefusedWithAClearError)
{
    testing_support::TempDir tmp;
    const std::string ico = tmp.Write("logo.ico", std::string("\0\0\1\0\1\0", 6) + std::string(100, '\0'));
    try {
        FitToScreenWidth(ico, 16, tmp.path() + "Fitted");
        FAIL() << "no error";
    } catch (const EPictureError& e) {
        EXPECT_NE(std::string(e.what()).find("no decoder"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("logo.ico"), std::string::npos) << e.what();
    }
}
