#include <gtest/gtest.h>

#include <filesystem>

#include "export/ZipArchiveWriter.h"
#include "support/PictureFiles.h"
#include "support/TempDir.h"

namespace {

std::vector<uint8_t> Noise(size_t n, uint32_t seed)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        v[i] = uint8_t(seed >> 24);
    }
    return v;
}

// unzip's own list of the entry names, in archive order.
std::string ListedNames(const TempDir& dir, const std::string& zip)
{
    const std::string list = dir.File("list.txt");
    if (!RunCommand("unzip -Z1 '" + zip + "' > '" + list + "'")) return "(unzip failed)";
    const auto bytes = ReadFileBytes(list);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST(ZipArchiveWriter, EntriesKeepTheirOrderNamesAndBytes)
{
    TempDir dir;
    const auto big = Noise(700000, 1); // more than one copy buffer, and incompressible
    std::vector<uint8_t> text(50000, 'a');
    WriteFileBytes(dir.File("one.bin"), big);
    WriteFileBytes(dir.File("two.txt"), text);
    WriteFileBytes(dir.File("empty"), {});

    const std::string zip = dir.File("out.zip");
    ZipArchiveWriter writer;
    ASSERT_TRUE(writer.Create(zip));
    EXPECT_EQ(writer.AddFile(dir.File("two.txt"), "b.txt"), 0);
    EXPECT_EQ(writer.AddFile(dir.File("one.bin"), "a.bin"), 0);
    EXPECT_EQ(writer.AddFile(dir.File("empty"), "Caf\xC3\xA9.lrc"), 0);
    EXPECT_FALSE(std::filesystem::exists(zip)); // not before it is complete
    ASSERT_TRUE(writer.Close());

    EXPECT_EQ(ListedNames(dir, zip), "b.txt\na.bin\nCaf\xC3\xA9.lrc\n");
    // Deflated: the 50,000 repeated bytes take almost no room beside the noise.
    EXPECT_LT(std::filesystem::file_size(zip), big.size() + 2000);
    ASSERT_TRUE(RunCommand("unzip -q '" + zip + "' -d '" + dir.File("x") + "'"));
    EXPECT_EQ(ReadFileBytes(dir.File("x/a.bin")), big);
    EXPECT_EQ(ReadFileBytes(dir.File("x/b.txt")), text);
    EXPECT_TRUE(ReadFileBytes(dir.File("x/Caf\xC3\xA9.lrc")).empty());
}

TEST(ZipArchiveWriter, FailedAddLeavesNoArchiveAndTheOldFile)
{
    TempDir dir;
    const std::string zip = dir.File("out.zip");
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    WriteFileBytes(zip, old);
    WriteFileBytes(dir.File("a"), {1, 2, 3});
    {
        ZipArchiveWriter writer;
        ASSERT_TRUE(writer.Create(zip));
        EXPECT_EQ(writer.AddFile(dir.File("a"), "a"), 0);
        EXPECT_NE(writer.AddFile(dir.File("missing"), "m"), 0);
        EXPECT_FALSE(writer.Close());
    }
    EXPECT_EQ(ReadFileBytes(zip), old);
    {
        // A writer dropped before Close leaves nothing either.
        ZipArchiveWriter writer;
        ASSERT_TRUE(writer.Create(dir.File("dropped.zip")));
        EXPECT_EQ(writer.AddFile(dir.File("a"), "a"), 0);
    }
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 2u);
    ZipArchiveWriter writer;
    EXPECT_FALSE(writer.Create(dir.File("no/such/folder.zip")));
}
