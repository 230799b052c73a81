#include <gtest/gtest.h>

#include "cdg/MKaraokeInitialize.h"
#include "log/MTextTrace.h"
#include "support/TempDir.h"
#include "text/FontDictionary.h"

TEST(FontDictionary, ListsInstalledFacesOnceInSortedOrder)
{
    TempDir dir;
    MTextTrace trace(dir.File("trace.txt"), 1024);
    MTextTrace::Install(&trace);
    EXPECT_TRUE(MKaraoke_Initialize());
    MTextTrace::Install(nullptr);

    FontDictionary& fonts = FontDictionary::Instance();
    const auto faces = fonts.Faces();
    ASSERT_GE(faces.size(), 3u);
    ASSERT_EQ(faces.count("Liberation Sans"), 1u);
    EXPECT_EQ(faces.at("Liberation Sans"), kCharSetAnsi);
    EXPECT_EQ(faces.count("Liberation Serif"), 1u);
    const int index = fonts.IndexOf("Liberation Sans");
    ASSERT_GE(index, 0);
    EXPECT_EQ(fonts.FaceAt(size_t(index)), "Liberation Sans");
    EXPECT_EQ(fonts.FaceAt(faces.size()), "");
    EXPECT_EQ(fonts.IndexOf("No Such Face"), -1);
    EXPECT_LT(fonts.FaceAt(0), fonts.FaceAt(1));

    // Building again changes nothing: entries are overwritten by name.
    MKaraoke_Initialize();
    EXPECT_EQ(fonts.Count(), faces.size());

    const auto log = ReadFileBytes(dir.File("trace.txt"));
    const std::string text(log.begin(), log.end());
    EXPECT_NE(text.find("] MKaraoke_Initialize - enter\n"), std::string::npos);
    EXPECT_NE(text.find("] MKaraoke_Initialize - Loaded Font Dictionary\n"), std::string::npos);
    EXPECT_NE(text.find("] MKaraoke_Initialize - exit\n"), std::string::npos);
}
