// The song document: a karaoke maker's changes as named steps that undo and redo to the very
// bytes of the project, the modified flag following them, and the copy a crash leaves behind.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <sys/wait.h>
#include <type_traits>
#include <unistd.h>

#include "audio/WavOutFile.h"
#include "cdg/LineFit.h"
#include "cdg/WriteRwMemory.h"
#include "document/ExportSnapshot.h"
#include "document/RecoveryFile.h"
#include "document/SongDocument.h"
#include "lyrics/LrcDocument.h"
#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"
#include "support/PromptRecorder.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "timing/PlayClock.h"
#include "timing/Placement.h"
#include "timing/WordTiming.h"

namespace {

constexpr uint32_t kSecond = 44100;
constexpr const char* kVerse = "Twinkle twinkle little star\nHow I wonder what you are\nUp above the world so high\n";

// The song can be read, never changed, but through an edit.
static_assert(std::is_const_v<std::remove_reference_t<decltype(std::declval<SongDocument&>().Song())>>);

std::vector<uint8_t> Bytes(const SongDocument& doc)
{
    return SerializeProject(doc.Song());
}

// One edit, committed, as the views make them.
void Edit(SongDocument& doc, const std::string& name, const std::function<void(KaraokeSong&)>& change,
          StepMerge merge = StepMerge::Own)
{
    SongEdit edit = doc.BeginEdit(name, merge);
    change(edit.Song());
    edit.Commit();
}

// Taps every word of the song a second apart from start on, then End: one placement pass, one
// edit from Start to End as the Place Lyrics view holds it.
void PlaceAll(SongDocument& doc, uint32_t start)
{
    ManualClock clock;
    Placement placement(doc.Song(), clock);
    placement.Restart();
    SongEdit pass = doc.BeginEdit("Place Lyrics");
    for (size_t i = 0; i < doc.Song().words.size(); ++i) {
        clock.Set(start + uint32_t(i) * kSecond);
        placement.PlaceWord(pass.Song());
    }
    clock.Set(start + uint32_t(doc.Song().words.size()) * kSecond);
    placement.Finish(pass.Song());
    pass.Commit();
}

void Move(SongDocument& doc, const std::string& name, bool (WordTiming::*move)(size_t), size_t word)
{
    Edit(doc, name, [&](KaraokeSong& song) { (WordTiming(song).*move)(word); });
}

struct Journey {
    Journey()
    {
        Edit(doc, "Typing", [](KaraokeSong& song) {
            song.lyricText = kVerse;
            song.GenerateKaraokeLineList(true, false);
        });
        EXPECT_TRUE(doc.SaveAs(dir.File("song.tvx")));
        // Opened again: a history that starts at the saved song.
        EXPECT_TRUE(doc.Open(dir.File("song.tvx")));
    }
    TempDir dir;
    PromptRecorder prompt;
    SongDocument doc{&prompt};
};

} // namespace

TEST(SongDocument, UndoingEveryStepGivesTheSavedBytesBackAndRedoingThemTheFinalOnes)
{
    Journey j;
    SongDocument& doc = j.doc;
    const std::vector<uint8_t> original = Bytes(doc);
    EXPECT_FALSE(doc.Modified());
    EXPECT_FALSE(doc.CanUndo());

    PlaceAll(doc, 2 * kSecond);
    Move(doc, "Start Later", &WordTiming::StartLater, 3);
    Move(doc, "End Earlier", &WordTiming::EndEarlier, 3);
    Edit(doc, "Assign Singer", [](KaraokeSong& song) { WordTiming(song).AssignSinger(6, 1); });
    std::unique_ptr<KaraokeSong> copy = doc.Song().Copy();
    copy->settings.linesPerPage = 3;
    copy->title = "Little Star";
    doc.ApplySettings(*copy);
    const std::vector<uint8_t> final = Bytes(doc);
    EXPECT_EQ(doc.Song().words[3]->start, 5 * kSecond + 8820);
    EXPECT_EQ(doc.Song().words[3]->end, 6 * kSecond - 8820);

    // Five steps, each named, each undone in turn; the modified flag is off only at the saved state.
    const char* names[] = {"Song Settings", "Assign Singer", "End Earlier", "Start Later", "Place Lyrics"};
    std::vector<std::vector<uint8_t>> states;
    for (const char* name : names) {
        EXPECT_TRUE(doc.Modified());
        EXPECT_EQ(doc.UndoName(), name);
        states.push_back(Bytes(doc));
        ASSERT_TRUE(doc.Undo());
        EXPECT_EQ(doc.RedoName(), name);
    }
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_FALSE(doc.Modified());
    EXPECT_EQ(Bytes(doc), original);
    EXPECT_EQ(doc.Song().words[3]->start, 0u);

    for (size_t i = 5; i-- > 0;) {
        ASSERT_TRUE(doc.Redo());
        EXPECT_EQ(Bytes(doc), states[i]) << "after redoing " << names[i];
        EXPECT_TRUE(doc.Modified());
    }
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_EQ(Bytes(doc), final);

    // Saved here: undo makes the song modified, redo back to the saved state clears it again.
    ASSERT_TRUE(doc.Save());
    EXPECT_EQ(ReadFileBytes(j.dir.File("song.tvx")), final);
    EXPECT_FALSE(doc.Modified());
    doc.Undo();
    EXPECT_TRUE(doc.Modified());
    EXPECT_EQ(doc.Song().title, "");
    doc.Redo();
    EXPECT_FALSE(doc.Modified());
    EXPECT_EQ(doc.Song().title, "Little Star");
}

// Every change the window and the command line make, on a small song in turn: each is exactly
// one step, named for it; its Undo gives back the project's bytes from before it and its Redo
// those after it. The keys of a burst of typing, each an edit of its own, are one step.
TEST(SongDocument, EveryChangeIsOneStepThatUndoesAndRedoesToTheProjectsBytes)
{
    Journey j;
    SongDocument& doc = j.doc;
    const std::string lrcPath = j.dir.File("star.lrc");
    const std::string lrcText = "[00:01.00]Twinkle twinkle\n[00:03.50]Little star\n";
    WriteFileBytes(lrcPath, std::vector<uint8_t>(lrcText.begin(), lrcText.end()));
    LrcDocument lrc;
    const auto typeKeys = [](SongDocument& d, const std::string& keys) {
        for (char key : keys)
            Edit(
                d, "Typing",
                [key](KaraokeSong& song) {
                    song.lyricText += key;
                    song.GenerateKaraokeLineList(true, false);
                },
                StepMerge::Join);
    };
    const auto settings = [](SongDocument& d, const std::string& step, const std::function<void(KaraokeSong&)>& change) {
        std::unique_ptr<KaraokeSong> copy = d.Song().Copy();
        change(*copy);
        d.ApplySettings(*copy, step);
    };

    struct Change {
        std::string step;
        std::function<void(SongDocument&)> make;
    };
    const std::vector<Change> changes = {
        {"Typing", [&](SongDocument& d) { typeKeys(d, "\r\nNight light river fire forever and ever"); }},
        {"Fit Long Lines",
         [](SongDocument& d) { Edit(d, "Fit Long Lines", [](KaraokeSong& song) { EXPECT_GT(FitLongLines(song, false), 0); }); }},
        {"Place Lyrics", [](SongDocument& d) { PlaceAll(d, kSecond); }},
        {"Start Earlier", [](SongDocument& d) { Move(d, "Start Earlier", &WordTiming::StartEarlier, 4); }},
        {"Start Later", [](SongDocument& d) { Move(d, "Start Later", &WordTiming::StartLater, 2); }},
        {"End Earlier", [](SongDocument& d) { Move(d, "End Earlier", &WordTiming::EndEarlier, 2); }},
        {"End Later", [](SongDocument& d) { Move(d, "End Later", &WordTiming::EndLater, 5); }},
        {"Drag End",
         [](SongDocument& d) {
             // A drag moves from the times it began with at every step of the mouse.
             SongEdit edit = d.BeginEdit("Drag End");
             KaraokeSong& song = edit.Song();
             const uint32_t start = song.words[1]->start, end = song.words[1]->end;
             for (int64_t to : {end + 9000, end + 30000, end - 4410}) {
                 song.words[1]->start = start;
                 song.words[1]->end = end;
                 WordTiming(song).DragEndTo(1, to);
             }
             edit.Commit();
         }},
        {"Assign Singer",
         [](SongDocument& d) { Edit(d, "Assign Singer", [](KaraokeSong& song) { WordTiming(song).AssignSinger(6, 1); }); }},
        {"Song Settings",
         [&](SongDocument& d) { settings(d, "Song Settings", [](KaraokeSong& song) { song.settings.linesPerPage = 3; }); }},
        {"Adjust Area",
         [&](SongDocument& d) { settings(d, "Adjust Area", [](KaraokeSong& song) { song.settings.adjustAmount = 350; }); }},
        {"Singer Descriptions", [](SongDocument& d) { EXPECT_TRUE(d.SetSingerDescriptions({"Her", "Him", "Both"})); }},
        {"Artist and Title", [](SongDocument& d) { EXPECT_TRUE(d.SetArtistAndTitle("Traditional", "Little Star")); }},
        {"Import Lyrics", [&](SongDocument& d) { EXPECT_TRUE(d.ImportLyrics(lrcPath, lrc)); }},
        {"Apply LRC Timing", [&](SongDocument& d) { EXPECT_TRUE(d.ApplyLrcTiming(lrc)); }},
    };

    const std::vector<uint8_t> original = Bytes(doc);
    std::vector<std::vector<uint8_t>> after;
    for (const Change& change : changes) {
        SCOPED_TRACE(change.step);
        const std::vector<uint8_t> before = Bytes(doc);
        const size_t steps = doc.History().StepCount();
        change.make(doc);
        EXPECT_EQ(doc.History().StepCount(), steps + 1);
        EXPECT_EQ(doc.UndoName(), change.step);
        after.push_back(Bytes(doc));
        EXPECT_NE(after.back(), before);
        ASSERT_TRUE(doc.Undo());
        EXPECT_EQ(Bytes(doc), before);
        ASSERT_TRUE(doc.Redo());
        EXPECT_EQ(Bytes(doc), after.back());
        EXPECT_TRUE(doc.Modified());
    }
    EXPECT_EQ(doc.Song().words[0]->start, kSecond); // the LRC file's time, last of all
    EXPECT_EQ(doc.Song().singerDescriptions[1], "Him");

    // All the way back is the song as saved, and forward again the song as it was made.
    while (doc.Undo()) {
    }
    EXPECT_EQ(Bytes(doc), original);
    EXPECT_FALSE(doc.Modified());
    for (size_t i = 0; i < changes.size(); ++i) {
        ASSERT_TRUE(doc.Redo());
        EXPECT_EQ(Bytes(doc), after[i]) << changes[i].step;
    }

    // Music is no step: attaching it makes the song modified until it is saved.
    ASSERT_TRUE(doc.Save());
    {
        WavOutFile wav;
        ASSERT_TRUE(wav.Create(j.dir.File("star.wav"), 44100, 16, 2));
        ASSERT_TRUE(wav.Write(std::vector<int16_t>(2 * kSecond, 500)));
        ASSERT_TRUE(wav.Close());
    }
    const size_t steps = doc.History().StepCount();
    ASSERT_TRUE(doc.AttachMusic(j.dir.File("star.wav")));
    EXPECT_EQ(doc.History().StepCount(), steps);
    EXPECT_TRUE(doc.Modified());
    ASSERT_TRUE(doc.Save());
    EXPECT_FALSE(doc.Modified());
    EXPECT_EQ(ReadFileBytes(j.dir.File("song.tvx")), Bytes(doc));
}

TEST(SongDocument, ANewStepAfterUndoDropsTheUndoneStepsAndAnEditNotCommittedLeavesNothing)
{
    Journey j;
    SongDocument& doc = j.doc;
    PlaceAll(doc, kSecond);
    Edit(doc, "Nothing", [](KaraokeSong&) {});
    EXPECT_EQ(doc.History().StepCount(), 1u);

    Move(doc, "Start Earlier", &WordTiming::StartEarlier, 2);
    doc.Undo();
    ASSERT_TRUE(doc.CanRedo());
    Move(doc, "End Later", &WordTiming::EndLater, 0);
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_EQ(doc.UndoName(), "End Later");
    EXPECT_EQ(doc.History().StepCount(), 2u);

    // An edit that ends without Commit puts the song back as it found it and is no step; while
    // it is open there is no Undo.
    const std::vector<uint8_t> placed = Bytes(doc);
    {
        SongEdit edit = doc.BeginEdit("Start Later");
        edit.Song().words[1]->start += 5;
        edit.Song().lyricText += "\nOne more line";
        edit.Song().GenerateKaraokeLineList(true, false);
        EXPECT_FALSE(doc.Undo());
    }
    EXPECT_EQ(Bytes(doc), placed);
    EXPECT_EQ(doc.UndoName(), "End Later");
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(doc.Song().words[1]->start, 2 * kSecond);
    EXPECT_EQ(doc.UndoName(), "Place Lyrics");
    doc.Redo();

    // Back at the saved song, a new step drops the rest; undoing it is the saved song again.
    doc.Undo();
    doc.Undo();
    EXPECT_FALSE(doc.Modified());
    Edit(doc, "Song Settings", [](KaraokeSong& song) { song.title = "Star"; });
    EXPECT_TRUE(doc.Modified());
    EXPECT_FALSE(doc.CanRedo());
    doc.Undo();
    EXPECT_FALSE(doc.Modified());
}

TEST(SongDocument, AnLrcFilesTimesAreAStepOfTheirOwnAndAreAskedForOverPlacedWords)
{
    Journey j;
    SongDocument& doc = j.doc;
    const std::string lrcPath = j.dir.File("star.lrc");
    const std::string lrcText = "[00:01.00]Twinkle twinkle\n[00:03.50]Little star\n";
    WriteFileBytes(lrcPath, std::vector<uint8_t>(lrcText.begin(), lrcText.end()));
    const std::vector<uint8_t> lrcBytes = ReadFileBytes(lrcPath);

    LrcDocument lrc;
    ASSERT_TRUE(doc.ImportLyrics(lrcPath, lrc));
    EXPECT_EQ(doc.Song().lyricText.rfind("Twinkle twinkle", 0), 0u);
    EXPECT_EQ(doc.UndoName(), "Import Lyrics");
    ASSERT_TRUE(doc.ApplyLrcTiming(lrc));
    EXPECT_EQ(doc.UndoName(), "Apply LRC Timing");
    EXPECT_EQ(doc.Song().words[0]->start, kSecond);
    EXPECT_EQ(doc.Song().words[2]->start, 3 * kSecond + kSecond / 2);

    // Over placed words the user is asked; No keeps the times and records nothing.
    Edit(doc, "Start Later", [](KaraokeSong& song) { song.words[0]->start = 7; });
    j.prompt.answer = PromptAnswer::No;
    EXPECT_FALSE(doc.ApplyLrcTiming(lrc));
    ASSERT_EQ(j.prompt.entries.size(), 1u);
    EXPECT_TRUE(j.prompt.entries[0].question);
    EXPECT_EQ(doc.Song().words[0]->start, 7u);
    EXPECT_EQ(doc.UndoName(), "Start Later");

    doc.Undo();
    doc.Undo();
    EXPECT_EQ(doc.Song().words[0]->start, 0u);
    EXPECT_EQ(doc.UndoName(), "Import Lyrics");
    EXPECT_EQ(ReadFileBytes(lrcPath), lrcBytes);
}

TEST(SongDocument, UndoKeepsTheMusicAndThePath)
{
    Journey j;
    SongDocument& doc = j.doc;
    // The music is no part of any step: an edit of it alone records nothing, and keeps it.
    Edit(doc, "Music", [](KaraokeSong& song) {
        song.musicPath = "/music/star.wav";
        song.musicWorkPath = "/work/star.wav";
        song.musicDataBytes = 1234;
        song.musicFrameBytes = 2;
    });
    EXPECT_FALSE(doc.CanUndo());
    PlaceAll(doc, kSecond);
    doc.Undo();
    EXPECT_EQ(doc.Song().musicPath, "/music/star.wav");
    EXPECT_EQ(doc.Song().MusicWorkPath(), "/work/star.wav");
    EXPECT_EQ(doc.Song().musicDataBytes, 1234u);
    EXPECT_EQ(doc.Song().musicFrameBytes, 2u);
    EXPECT_EQ(doc.Path(), j.dir.File("song.tvx"));
    EXPECT_TRUE(j.prompt.entries.empty());
}

// An export works on a snapshot taken when it starts: building streams leaves the song's project
// bytes (every line's draw and erase time among them) as they were, and whatever the user does to
// the song afterwards, undo that frees its lines included, the snapshot's stream stays the same.
TEST(SongDocument, StreamsLeaveTheSongAsItWasAndAnExportSnapshotKeepsItsOwnSong)
{
    Journey j;
    SongDocument& doc = j.doc;
    PlaceAll(doc, kSecond);
    const std::vector<uint8_t> before = Bytes(doc);
    const SongStream live = WriteRwMemory(doc.Song());
    const ExportSnapshot snapshot(doc);
    const SongStream taken = WriteRwMemory(snapshot.Song());
    EXPECT_EQ(Bytes(doc), before);
    ASSERT_GT(taken.usedLength, 0u);
    EXPECT_EQ(taken.bytes, live.bytes);
    // The draw and erase times come with the stream, not in the song.
    ASSERT_EQ(taken.lineTimes.size(), snapshot.Song().lines.size());
    EXPECT_GT(taken.lineTimes[0].erase, 0);
    EXPECT_EQ(doc.Song().lines[0]->eraseTime, 0);

    Edit(doc, "Start Later", [](KaraokeSong& song) { WordTiming(song).StartLater(0); });
    EXPECT_NE(WriteRwMemory(doc.Song()).bytes, taken.bytes);
    doc.Undo();
    doc.Undo();
    EXPECT_EQ(WriteRwMemory(snapshot.Song()).bytes, taken.bytes);
}

// Whatever keeps a file from opening, the song that was open stays as it was, with its music,
// its history and its unsaved change; the user hears the loader's reason once.
TEST(SongDocument, AProjectThatCannotBeReadLeavesTheOpenSongAsItWas)
{
    Journey j;
    SongDocument& doc = j.doc;
    {
        WavOutFile wav;
        ASSERT_TRUE(wav.Create(j.dir.File("star.wav"), 44100, 16, 2));
        ASSERT_TRUE(wav.Write(std::vector<int16_t>(2 * kSecond, 500)));
        ASSERT_TRUE(wav.Close());
    }
    ASSERT_TRUE(doc.AttachMusic(j.dir.File("star.wav")));
    PlaceAll(doc, kSecond);
    const std::vector<uint8_t> project = ReadFileBytes(j.dir.File("song.tvx"));
    const std::vector<uint8_t> before = Bytes(doc);
    const uint32_t musicBytes = doc.Song().musicDataBytes;
    ASSERT_EQ(musicBytes, kSecond * 4);

    std::vector<uint8_t> newer = project;
    newer[0] = 0x59; // version 601
    const std::vector<std::pair<std::vector<uint8_t>, std::string>> files = {
        {{project.begin(), project.end() - 1}, kMsgProjectEndsEarly},
        {ReadFileBytes(j.dir.File("star.wav")), kMsgNotAProject},
        {{}, kMsgNotAProject},
        {newer, kMsgProjectTooNew},
    };
    for (const auto& [bytes, reason] : files) {
        SCOPED_TRACE(reason);
        WriteFileBytes(j.dir.File("bad.tvx"), bytes);
        j.prompt.entries.clear();
        std::vector<SongDocument::Change> heard;
        const size_t id = doc.Subscribe([&](SongDocument::Change c) { heard.push_back(c); });
        const WorkOutcome opened = doc.Open(j.dir.File("bad.tvx"));
        doc.Unsubscribe(id);
        // The outcome carries what the user was told.
        EXPECT_EQ(opened.status, WorkStatus::Failed);
        EXPECT_EQ(opened.message, reason);
        ASSERT_EQ(j.prompt.entries.size(), 1u);
        EXPECT_EQ(j.prompt.entries[0].text, reason);
        EXPECT_TRUE(heard.empty());
        EXPECT_EQ(Bytes(doc), before);
        EXPECT_EQ(doc.Path(), j.dir.File("song.tvx"));
        EXPECT_TRUE(doc.Modified());
        EXPECT_EQ(doc.UndoName(), "Place Lyrics");
        EXPECT_TRUE(doc.MusicLoaded());
        EXPECT_EQ(doc.MusicSource(), j.dir.File("star.wav"));
        EXPECT_EQ(doc.Song().musicDataBytes, musicBytes);
    }
    // A file that is not there at all, and a folder.
    for (const std::string& path : {j.dir.File("missing.tvx"), j.dir.Path().string()}) {
        j.prompt.entries.clear();
        EXPECT_EQ(doc.Open(path).message, kMsgCannotOpenProject);
        ASSERT_EQ(j.prompt.entries.size(), 1u);
        EXPECT_EQ(j.prompt.entries[0].text, kMsgCannotOpenProject);
        EXPECT_EQ(Bytes(doc), before);
        EXPECT_EQ(doc.Path(), j.dir.File("song.tvx"));
    }
    // Saving afterwards writes the open song's own file, never the one refused.
    ASSERT_TRUE(doc.Save());
    EXPECT_EQ(ReadFileBytes(j.dir.File("song.tvx")), before);
    EXPECT_EQ(ReadFileBytes(j.dir.File("bad.tvx")), newer);
}

TEST(SongDocument, ListenersHearUndoAndThePathAndMayLeaveWhileBeingTold)
{
    Journey j;
    std::vector<SongDocument::Change> heard;
    size_t id = 0;
    id = j.doc.Subscribe([&](SongDocument::Change c) {
        heard.push_back(c);
        if (c == SongDocument::Change::Path) j.doc.Unsubscribe(id);
    });
    PlaceAll(j.doc, kSecond);
    j.doc.Undo();
    EXPECT_NE(std::find(heard.begin(), heard.end(), SongDocument::Change::Content), heard.end());
    EXPECT_NE(std::find(heard.begin(), heard.end(), SongDocument::Change::History), heard.end());
    heard.clear();
    EXPECT_TRUE(j.doc.SaveAs(j.dir.File("other.tvx")));
    const size_t told = heard.size();
    EXPECT_GT(told, 0u);
    j.doc.Redo();
    EXPECT_EQ(heard.size(), told);
}

TEST(SongDocument, AnUnsavedSongLeavesARecoveryCopyThatTheNextStartFindsOnceItsProgramIsGone)
{
    TempDir state;
    ScopedEnv xdg("XDG_STATE_HOME", state.Path().string());
    Journey j;
    const std::string file = state.File("tessavox/recovery-999999999.tvxr");

    // A program killed while its song was unsaved: a child process writes the copy and dies.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SongDocument doc;
        doc.Open(j.dir.File("song.tvx"));
        doc.SetRecoveryFile(RecoveryFile::ForThisProcess());
        PlaceAll(doc, 3 * kSecond);
        _exit(doc.WriteRecovery() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(WEXITSTATUS(status), 0);

    const std::vector<RecoveryFile::Found> found = RecoveryFile::FindLeftBehind();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].projectPath, j.dir.File("song.tvx"));
    SongDocument recovered;
    ASSERT_TRUE(recovered.OpenRecovered(found[0]));
    EXPECT_TRUE(recovered.Modified());
    EXPECT_EQ(recovered.Path(), j.dir.File("song.tvx"));
    EXPECT_EQ(recovered.Song().words[2]->start, 5 * kSecond);
    EXPECT_FALSE(recovered.CanUndo());

    // A running program's copy is not left behind; saving removes it, and so does a song
    // undone back to what was saved.
    SongDocument running;
    running.Open(j.dir.File("song.tvx"));
    running.SetRecoveryFile(RecoveryFile::ForThisProcess());
    PlaceAll(running, kSecond);
    ASSERT_TRUE(running.WriteRecovery());
    ASSERT_TRUE(std::filesystem::exists(RecoveryFile::ForThisProcess()));
    EXPECT_EQ(RecoveryFile::FindLeftBehind().size(), 1u);
    running.Undo();
    running.WriteRecovery();
    EXPECT_FALSE(std::filesystem::exists(RecoveryFile::ForThisProcess()));
    running.Redo();
    running.WriteRecovery();
    ASSERT_TRUE(running.Save());
    EXPECT_FALSE(std::filesystem::exists(RecoveryFile::ForThisProcess()));

    // Not a recovery file: skipped.
    WriteFileBytes(file, {'x', 'y'});
    EXPECT_EQ(RecoveryFile::FindLeftBehind().size(), 1u);
}
