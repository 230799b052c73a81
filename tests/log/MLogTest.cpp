#include <gtest/gtest.h>

#include <filesystem>

#include "log/MDataDumpLog.h"
#include "log/MKaraokeLineDumpLog.h"
#include "log/MLineListLog.h"
#include "log/MLogQueue.h"
#include "log/KaraokeSongDumpLog.h"
#include "log/MTextMsgLog.h"
#include "log/MTextTrace.h"
#include "log/MUserActionLog.h"
#include "media/ByteOrder.h"
#include "media/ByteWriter.h"
#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"
#include "support/TempDir.h"

namespace {

// Switches logging on for one test and off again afterwards.
class LoggingOn {
public:
    explicit LoggingOn(const std::string& file) { MLogQueue::SetEnabledForTesting(true, file); }
    ~LoggingOn() { MLogQueue::SetEnabledForTesting(false, ""); }
};

std::vector<uint8_t> Record(const MLog& entry)
{
    std::vector<uint8_t> bytes;
    ByteWriter out(bytes);
    entry.WriteRecord(out);
    return bytes;
}

} // namespace

TEST(MLog, RecordsCarryTagKindTimeContentAndName)
{
    MUserActionLog action("Settings-OK", 6, 0x01020304, 0x0A);
    const auto bytes = Record(action);
    ASSERT_EQ(bytes.size(), 3u + 1 + 8 + 1 + 4 + 11);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "LOGU");
    EXPECT_EQ(GetLe32(&bytes[4]), 0x01020304u);
    EXPECT_EQ(GetLe32(&bytes[8]), 0x0Au);
    EXPECT_EQ(bytes[12], 6);
    EXPECT_EQ(GetLe32(&bytes[13]), 11u);
    EXPECT_EQ(std::string(bytes.begin() + 17, bytes.end()), "Settings-OK");

    MTextMsgLog text("Import Lyrics", "la la", 5, 0);
    const auto t = Record(text);
    EXPECT_EQ(t[3], 'T');
    EXPECT_EQ(GetLe32(&t[12]), 5u);
    EXPECT_EQ(std::string(t.begin() + 16, t.begin() + 21), "la la");

    const uint8_t block[3] = {9, 8, 7};
    MDataDumpLog dump("WriteRwMemory-hiliteEnd", block, 3);
    const auto d = Record(dump);
    EXPECT_EQ(d[3], 'D');
    EXPECT_EQ(GetLe32(&d[12]), 3u);
    EXPECT_EQ(d[16], 9);
    // A zero time means now.
    EXPECT_GT(dump.Time(), 1700000000);
}

TEST(MLog, LineDumpHoldsRecordTextAndWordsOfEveryLine)
{
    KaraokeSong song;
    song.lyricText = "hello\n";
    song.GenerateKaraokeLineList(true, false);
    ASSERT_EQ(song.LineCount(), 2u);
    song.lines[0]->page = 3;
    song.words[0]->start = 77;
    MKaraokeLineDumpLog dump("dump", song.lines);
    const auto& data = dump.Data();
    ASSERT_EQ(data.size(), 48u + 5 + 40 + 48);
    EXPECT_EQ(GetLe32(&data[0]), 3u); // page number
    EXPECT_EQ(GetLe32(&data[8]), 12u); // colour slot
    EXPECT_EQ(GetLe32(&data[40]), 5u); // text length
    EXPECT_EQ(std::string(data.begin() + 44, data.begin() + 49), "hello");
    EXPECT_EQ(GetLe32(&data[49]), 1u);  // word count
    EXPECT_EQ(GetLe32(&data[53 + 8]), 77u); // start time of the word
    EXPECT_EQ(dump.Kind(), MLogKind::KaraokeLineDump);
}

TEST(MLog, SettingsDumpHoldsBlockLyricsAndEveryPageRecord)
{
    KaraokeSong song;
    song.lyricText = "abc";
    KaraokeSongDumpLog dump("Post SettingsDlg", song);
    ASSERT_EQ(dump.Data().size(), 52u + 3 + 3 * 249220u);
    EXPECT_EQ(GetLe32(&dump.Data()[0]), 600u);
    EXPECT_EQ(GetLe32(&dump.Data()[55 + 4]), 101u); // first page kind after its header
    EXPECT_EQ(Record(dump)[3], 'S');
}

TEST(MLogQueue, LoggingIsOffAndLeavesNoFile)
{
    TempDir dir;
    EXPECT_FALSE(MLogQueue::LoggingOn());
    // The log would go here if it were on.
    const std::string file = dir.File("tessavox.log");
    MLogQueue::SetEnabledForTesting(false, file);
    KaraokeSong song;
    song.lyricText = "a b";
    song.GenerateKaraokeLineList(true, false);
    MLineListLog::Rebuilt(song); // logs nothing while off
    EXPECT_EQ(MLogQueue::Pending(), 0u);
    // An entry added while off is not written, not even when asked to be written at once.
    MLogQueue::Add(std::make_unique<MUserActionLog>("Add Music", 0), true);
    EXPECT_EQ(MLogQueue::WriteQueue(), 0);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    MLogQueue::SetEnabledForTesting(false, "");
}

TEST(MLogQueue, WhenSwitchedOnTheRebuildAppendsItsEntriesToTheFile)
{
    TempDir dir;
    const std::string file = dir.File("tessavox.log");
    LoggingOn on(file);
    KaraokeSong song;
    song.lyricText = "one  two";
    song.GenerateKaraokeLineList(true, false);
    MLineListLog::Rebuilt(song);
    EXPECT_EQ(MLogQueue::Pending(), 0u);
    const auto bytes = ReadFileBytes(file);
    // Input text, output line dump, then the layout dump.
    ASSERT_GT(bytes.size(), 12u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "LOGT");
    const uint32_t textLen = GetLe32(&bytes[12]);
    EXPECT_EQ(std::string(bytes.begin() + 16, bytes.begin() + 16 + textLen), "one two");
    const size_t nameAt = 16 + textLen;
    const uint32_t nameLen = GetLe32(&bytes[nameAt]);
    EXPECT_EQ(std::string(bytes.begin() + long(nameAt) + 4, bytes.begin() + long(nameAt + 4 + nameLen)),
              "GenerateKaraokeLineList-Input Raw String");
    const size_t second = nameAt + 4 + nameLen;
    EXPECT_EQ(std::string(bytes.begin() + long(second), bytes.begin() + long(second) + 4), "LOGL");

    MLogQueue::Add(std::make_unique<MUserActionLog>("Settings-Cancel", 6), false);
    MLogQueue::Add(std::make_unique<MUserActionLog>("Settings-OK", 6), false);
    EXPECT_EQ(MLogQueue::Pending(), 2u);
    EXPECT_EQ(MLogQueue::WriteQueue(), 2);
    EXPECT_EQ(MLogQueue::Pending(), 0u);
}

TEST(MLineListLog, RebuildDumpsTheNewLinesUntimedAndTheNumberedLinesWithTheirTimes)
{
    TempDir dir;
    const std::string file = dir.File("tessavox.log");
    LoggingOn on(file);
    KaraokeSong song;
    song.lyricText = "la";
    song.GenerateKaraokeLineList(true, false);
    // The song itself logs nothing.
    EXPECT_FALSE(std::filesystem::exists(file));
    song.lines[0]->placed = 1;
    song.words[0]->start = 4410;
    song.words[0]->end = 8820;
    song.GenerateKaraokeLineList(true, false); // carries the times over
    MLineListLog::Rebuilt(song);
    const auto bytes = ReadFileBytes(file);

    // Walks the records: "LOG", kind, 8 bytes of time, content (length and bytes), name.
    std::vector<std::pair<std::string, std::vector<uint8_t>>> records;
    for (size_t at = 0; at + 16 <= bytes.size();) {
        const uint32_t size = GetLe32(&bytes[at + 12]);
        const size_t nameAt = at + 16 + size;
        ASSERT_LE(nameAt + 4, bytes.size());
        const uint32_t nameSize = GetLe32(&bytes[nameAt]);
        records.emplace_back(std::string(bytes.begin() + long(nameAt) + 4, bytes.begin() + long(nameAt + 4 + nameSize)),
                             std::vector<uint8_t>(bytes.begin() + long(at) + 16, bytes.begin() + long(nameAt)));
        at = nameAt + 4 + nameSize;
    }
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].first, "GenerateKaraokeLineList-Input Raw String");
    EXPECT_EQ(records[1].first, "GenerateKaraokeLineList-Output LineList");
    EXPECT_EQ(records[2].first, "CalcLineAndPageNumbers");
    // Line record 40 bytes (placed at 36), text 4 + 2, word count 4, then the word: first,
    // last, start, end.
    const auto& rebuilt = records[1].second;
    const auto& numbered = records[2].second;
    ASSERT_EQ(rebuilt.size(), numbered.size());
    EXPECT_EQ(rebuilt[36], 0);
    EXPECT_EQ(numbered[36], 1);
    EXPECT_EQ(GetLe32(&rebuilt[50 + 8]), 0u);
    EXPECT_EQ(GetLe32(&rebuilt[50 + 12]), 0u);
    EXPECT_EQ(GetLe32(&numbered[50 + 8]), 4410u);
    EXPECT_EQ(GetLe32(&numbered[50 + 12]), 8820u);
}

TEST(MTextTrace, WritesOnlyMatchingCategoriesWithATimestamp)
{
    TempDir dir;
    const std::string file = dir.File("trace.txt");
    MTextTrace::Trace(1, "nobody listens"); // no sink: nothing happens
    {
        MTextTrace trace(file, 0x2);
        MTextTrace::Install(&trace);
        MTextTrace::Trace(1, "filtered");
        MTextTrace::Trace(2, "kept");
        MTextTrace::Trace(MTextTrace::kAllCategories, "always");
    }
    MTextTrace::Trace(2, "after the sink is gone");
    const auto bytes = ReadFileBytes(file);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.find("filtered"), std::string::npos);
    EXPECT_EQ(text.find("after"), std::string::npos);
    ASSERT_EQ(text.size(), 2 * std::string("[01/01/2026 00:00:00] ").size() + 5 + 7);
    EXPECT_EQ(text[0], '[');
    EXPECT_EQ(text[3], '/');
    EXPECT_EQ(text.substr(22, 5), "kept\n");
    EXPECT_EQ(text.substr(text.size() - 7), "always\n");
}
