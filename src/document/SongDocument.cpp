#include "document/SongDocument.h"

#include <algorithm>

#include "text/ForwardingPrompt.h"
#include "align/AlignedWord.h"
#include "audio/WorkFileSource.h"
#include "cdg/WordBoxes.h"
#include "cdg/WriteRwMemory.h"
#include "document/OutputGate.h"
#include "log/MLineListLog.h"
#include "lyrics/LyricImport.h"
#include "project/KaraokeSong.h"
#include "project/LyricMarkup.h"
#include "project/ProjectFile.h"
#include "text/UserPrompt.h"
#include "waveform/WaveformPeaks.h"

SongDocument::SongDocument(UserPrompt* prompt)
    : m_song(std::make_unique<KaraokeSong>()), m_peaks(std::make_unique<WaveformPeaks>())
{
    SetPrompt(prompt);
    New();
}

SongDocument::~SongDocument() = default;

void SongDocument::SetPrompt(UserPrompt* prompt)
{
    m_prompt = prompt;
}

void SongDocument::SetPlayingProbe(std::function<bool()> probe)
{
    m_song->isPlaying = std::move(probe);
}

void SongDocument::Notify(Change change)
{
    // A listener may unsubscribe itself or another one while being told.
    const auto listeners = m_listeners;
    for (const auto& l : listeners) l.second(change);
}

size_t SongDocument::Subscribe(Listener listener)
{
    m_listeners.emplace_back(m_nextListener, std::move(listener));
    return m_nextListener++;
}

void SongDocument::Unsubscribe(size_t id)
{
    std::erase_if(m_listeners, [id](const auto& l) { return l.first == id; });
}

void SongDocument::ResetHistory(bool saved)
{
    m_unsure.clear();
    m_history.Reset(SongSnapshot::Capture(*m_song));
    m_atCurrent = true;
    if (saved) m_history.MarkSaved();
    Notify(Change::History);
}

void SongDocument::NoteModified(bool was)
{
    if (Modified() != was) Notify(Change::Modified);
}

void SongDocument::SetPath(const std::string& path)
{
    if (m_song->projectPath == path) return;
    m_song->projectPath = path;
    Notify(Change::Path);
}

const std::string& SongDocument::Path() const
{
    return m_song->projectPath;
}

bool SongDocument::Modified() const
{
    return m_musicChanged || !m_history.AtSavedState();
}

void SongDocument::Discard()
{
    const bool was = Modified();
    m_musicChanged = false;
    m_history.MarkSaved();
    NoteModified(was);
}

void SongDocument::New()
{
    const bool was = Modified();
    KaraokeSong& song = *m_song;
    song.RestoreDefaults();
    song.ClearLines();
    song.artist.clear();
    song.title.clear();
    song.singerDescriptions = {};
    song.eraseLinesFromBottom = 0;
    song.sweepEntireWord = 0;
    song.ClearMusicCount();
    song.musicWorkPath.clear();
    SetPath({});
    m_toldUnicodeFormat = false;
    ClearMusic();
    m_lyricSource.clear();
    m_musicChanged = false;
    RemoveRecovery();
    ResetHistory(true);
    NoteModified(was);
    Notify(Change::Content);
}

namespace {

// Tells prompt why work failed, and hands the outcome on.
WorkOutcome Told(WorkOutcome outcome, UserPrompt* prompt, PromptIcon icon)
{
    if (outcome.status == WorkStatus::Failed) PromptOrSilent(prompt).Message(outcome.message, kAppCaption, icon);
    return outcome;
}

} // namespace

WorkOutcome SongDocument::Open(const std::string& path)
{
    // The loader reads the whole file before it changes the song, and takes the path only with
    // it: a file it refused (the user has been told why) leaves the open song as it was, under
    // its own path, so that nothing is ever saved over the refused file.
    const bool was = Modified();
    WorkOutcome loaded = Told(LoadProject(*m_song, path), m_prompt, PromptIcon::Warning);
    if (!loaded) return loaded;
    m_toldUnicodeFormat = NeedsUnicodeProject(*m_song); // the file is in the newer format already
    ClearMusic();
    m_lyricSource.clear();
    m_musicChanged = false;
    Notify(Change::Path);
    RemoveRecovery();
    ResetHistory(true);
    NoteModified(was);
    Notify(Change::Content);
    return loaded;
}

WorkOutcome SongDocument::OpenRecovered(const RecoveryFile::Found& found)
{
    const bool was = Modified();
    WorkOutcome loaded = Told(LoadProjectBytes(*m_song, found.project), m_prompt, PromptIcon::Warning);
    if (!loaded) return loaded;
    ClearMusic();
    m_lyricSource.clear();
    m_musicChanged = false;
    m_song->projectPath = found.projectPath;
    Notify(Change::Path);
    // The history starts at the recovered song; nothing of it was saved.
    ResetHistory(false);
    NoteModified(was);
    Notify(Change::Content);
    return loaded;
}

WorkOutcome SongDocument::Save()
{
    const bool unicode = NeedsUnicodeProject(*m_song);
    WorkOutcome saved = Told(SaveProject(*m_song), m_prompt, PromptIcon::Stop);
    if (!saved) return saved;
    if (unicode && !m_toldUnicodeFormat) {
        m_toldUnicodeFormat = true;
        PromptOrSilent(m_prompt).Message(kMsgProjectNowUnicode, kAppCaption, PromptIcon::Information);
    }
    m_history.MarkSaved();
    m_musicChanged = false;
    RemoveRecovery();
    Notify(Change::Modified);
    return saved;
}

WorkOutcome SongDocument::SaveAs(const std::string& path)
{
    // The song's music and lyric file are never saved over; its own project file may be.
    if (OutputGate::Resolve(path) != OutputGate::Resolve(m_song->projectPath)) {
        OutputGate gate;
        AddInputsTo(gate);
        if (const std::string why = gate.Refusal(path); !why.empty()) {
            PromptOrSilent(m_prompt).Message(why, kAppCaption, PromptIcon::Stop);
            return WorkOutcome::Failed(why);
        }
    }
    const std::string previous = m_song->projectPath;
    m_song->projectPath = path;
    WorkOutcome saved = Save();
    if (!saved) {
        m_song->projectPath = previous;
        return saved;
    }
    if (previous != path) Notify(Change::Path);
    return saved;
}

MusicLocation SongDocument::LocateMusic() const
{
    return ::LocateMusic(m_song->musicPath, m_song->projectPath);
}

bool SongDocument::MusicMissing() const
{
    return !m_song->musicPath.empty() && LocateMusic().path.empty();
}

WorkOutcome SongDocument::LoadMusic(const std::string& path, MusicImport::Progress progress, const WorkRunner& run)
{
    MusicImport import;
    if (progress) import.SetProgress(std::move(progress));
    m_import.store(&import);
    bool ok = false;
    const auto decode = [&] { ok = import.ImportMusic(path); };
    if (run) run(decode);
    else decode();
    m_import.store(nullptr);
    // Cancelled, the import has left the work file as it was: the song keeps its music.
    if (!ok && import.Cancelled()) return WorkOutcome::Cancelled();
    m_peaksPath.clear(); // the new import may have written its work file where the last one was
    m_music = import.Result();
    if (!ok) {
        m_music.path.clear();
        m_musicSource.clear();
        Notify(Change::Music);
        return import.Cancelled() ? WorkOutcome::Cancelled() : WorkOutcome::Failed(m_music.ErrorLine());
    }
    m_musicSource = path;
    m_song->UseMusicWorkFile(m_music.path);
    Notify(Change::Music);
    return WorkOutcome::Done();
}

WorkOutcome SongDocument::AttachMusic(const std::string& path, MusicImport::Progress progress, const WorkRunner& run)
{
    WorkOutcome loaded = LoadMusic(path, std::move(progress), run);
    if (!loaded) return loaded;
    const bool was = Modified();
    m_song->SetMusicPath(m_musicSource, m_music.decoded ? m_music.path : std::string());
    m_musicChanged = true;
    NoteModified(was);
    return loaded;
}

WorkOutcome SongDocument::LoadProjectMusic(MusicImport::Progress progress, bool tellMoved, const WorkRunner& run)
{
    if (m_song->musicPath.empty()) return WorkOutcome::Failed("the project has no music");
    const MusicLocation where = LocateMusic();
    if (where.path.empty()) {
        std::string why = "the music \"" + m_song->musicPath + "\" is not there";
        for (size_t i = 1; i < where.tried.size(); ++i)
            why += (i == 1 ? ", nor at \"" : ", \"") + where.tried[i] + "\"";
        return WorkOutcome::Failed(why);
    }
    if (where.moved && tellMoved && m_prompt)
        m_prompt->Message("the music \"" + m_song->musicPath + "\" is not there; using \"" + where.path +
                              "\" beside the project",
                          kAppCaption, PromptIcon::Information);
    WorkOutcome loaded = LoadMusic(where.path, std::move(progress), run);
    if (loaded.status == WorkStatus::Failed) loaded.message = where.path + ": " + loaded.message;
    return loaded;
}

void SongDocument::ClearMusic()
{
    m_peaksPath.clear();
    m_musicSource.clear();
    m_music = MusicImportResult{};
    Notify(Change::Music);
}

void SongDocument::ForgetMusic(bool keepStoredPath)
{
    if (!keepStoredPath) m_song->musicPath.clear();
    m_song->musicWorkPath.clear();
    Notify(Change::Music);
}

void SongDocument::CancelMusic()
{
    if (MusicImport* import = m_import.load()) import->Cancel();
}

SongEdit SongDocument::BeginEdit(std::string name, StepMerge merge)
{
    // An edit begun inside an open one joins it.
    if (m_editDepth++ > 0) return SongEdit(*m_song, {});
    m_editBefore.reset();
    if (!m_atCurrent) m_editBefore = SongSnapshot::Capture(*m_song);
    return SongEdit(*m_song, [this, name = std::move(name), merge](bool commit) { return EndEdit(name, merge, commit); });
}

bool SongDocument::EndEdit(const std::string& name, StepMerge merge, bool commit)
{
    m_editDepth = 0;
    const std::optional<SongSnapshot> kept = std::move(m_editBefore);
    m_editBefore.reset();
    const SongSnapshot& before = kept ? *kept : m_history.Current();
    SongSnapshot after = SongSnapshot::Capture(*m_song);
    if (after == before) return false;
    if (commit) return Record(name, merge, std::move(after));
    // What the edit changed goes; the music, the stream buffer and the path were never its.
    before.RestoreInto(*m_song);
    m_atCurrent = !kept;
    Notify(Change::Content);
    return false;
}

bool SongDocument::Record(const std::string& name, StepMerge merge, SongSnapshot state)
{
    const bool was = Modified();
    const bool pushed = m_history.Push(name, std::move(state), merge);
    // The song is the state pushed, or the one it equalled.
    m_atCurrent = true;
    if (!pushed) return false;
    NoteModified(was);
    Notify(Change::History);
    return true;
}

void SongDocument::ApplySettings(const KaraokeSong& edited, const std::string& step)
{
    SongEdit edit = BeginEdit(step);
    edit.Song().AssignSettings(edited);
    Notify(Change::Content);
    edit.Commit();
}

bool SongDocument::SetArtistAndTitle(const std::string& artist, const std::string& title)
{
    SongEdit edit = BeginEdit("Artist and Title");
    edit.Song().artist = artist;
    edit.Song().title = title;
    return edit.Commit();
}

bool SongDocument::SetGuidance(const SingerGuidance& guidance)
{
    SongEdit edit = BeginEdit("Singer Guidance");
    SingerGuidance& g = edit.Song().guidance;
    g = guidance;
    g.KeepGapsInRange();
    return edit.Commit();
}

bool SongDocument::SetSingerDescriptions(const std::array<std::string, 3>& descriptions)
{
    SongEdit edit = BeginEdit("Singer Descriptions");
    for (size_t i = 0; i < descriptions.size(); ++i) edit.Song().SetSingerDescription(int(i), descriptions[i]);
    return edit.Commit();
}

WorkOutcome SongDocument::ImportLyrics(const std::string& path, LrcDocument& lrc)
{
    SongEdit edit = BeginEdit("Import Lyrics");
    ForwardingPrompt told(m_prompt);
    if (!ImportLyricFile(edit.Song(), path, lrc, told)) return WorkOutcome::Failed(told.LastMessage());
    m_lyricSource = path;
    Notify(Change::Content);
    edit.Commit();
    return WorkOutcome::Done();
}

bool SongDocument::ApplyLrcTiming(const LrcDocument& lrc)
{
    SongEdit edit = BeginEdit("Apply LRC Timing");
    if (!::ApplyLrcTiming(edit.Song(), lrc, PromptOrSilent(m_prompt))) return false;
    Notify(Change::Content);
    edit.Commit();
    return true;
}

bool SongDocument::ApplyWordTimes(const std::vector<AlignedWord>& times)
{
    SongEdit edit = BeginEdit("Auto-Time Lyrics");
    KaraokeSong& song = edit.Song();
    for (const AlignedWord& t : times) {
        if (t.element >= song.words.size() || t.start == 0) continue;
        MKaraokeWord& word = *song.words[t.element];
        word.start = t.start;
        word.end = std::max(t.start, t.end);
        if (word.line) word.line->placed = 1;
    }
    const bool changed = edit.Commit();
    if (!changed) return false;
    m_unsure.clear();
    for (const AlignedWord& t : times)
        if (t.unsure && t.element < m_song->words.size() && t.start != 0)
            m_unsure.push_back({t.element, t.start, std::max(t.start, t.end)});
    std::sort(m_unsure.begin(), m_unsure.end(),
              [](const UnsureTime& a, const UnsureTime& b) { return a.element < b.element; });
    Notify(Change::Content);
    return true;
}

bool SongDocument::WordUnsure(size_t element) const
{
    const auto it = std::lower_bound(m_unsure.begin(), m_unsure.end(), element,
                                     [](const UnsureTime& u, size_t e) { return u.element < e; });
    if (it == m_unsure.end() || it->element != element || element >= m_song->words.size()) return false;
    const MKaraokeWord& word = *m_song->words[element];
    return word.start == it->start && word.end == it->end;
}

size_t SongDocument::UnsureWordCount() const
{
    return size_t(std::count_if(m_unsure.begin(), m_unsure.end(),
                                [this](const UnsureTime& u) { return WordUnsure(u.element); }));
}

int SongDocument::NextUnsureWord(int after) const
{
    const auto first = std::upper_bound(m_unsure.begin(), m_unsure.end(), after,
                                        [](int a, const UnsureTime& u) { return a < 0 || size_t(a) < u.element; });
    for (size_t i = 0; i < m_unsure.size(); ++i) {
        const UnsureTime& u = m_unsure[(size_t(first - m_unsure.begin()) + i) % m_unsure.size()];
        if (WordUnsure(u.element)) return int(u.element);
    }
    return -1;
}

void SongDocument::RebuildLineList(bool finalText, UserPrompt* prompt)
{
    if (m_song->GenerateKaraokeLineList(true, finalText)) TellDuetMarksDropped(prompt);
    m_atCurrent = false;
    MLineListLog::Rebuilt(*m_song);
}

void SongDocument::TellDuetMarksDropped(UserPrompt* prompt) const
{
    PromptOrSilent(prompt ? prompt : m_prompt).Message(kMsgDuetMarksInSoloSong, kAppCaption, PromptIcon::Warning);
}

void SongDocument::SelectWord(int index)
{
    m_atCurrent = false;
    for (auto& w : m_song->words) w->flags &= ~kWordSelected;
    if (index >= 0 && size_t(index) < m_song->words.size()) m_song->words[size_t(index)]->flags |= kWordSelected;
}

void SongDocument::MeasureWordBoxes()
{
    m_atCurrent = false;
    ComputeWordBoxes(*m_song);
}

void SongDocument::NoteAdjustUsed()
{
    m_atCurrent = false;
    m_song->settings.adjustUsed = 1;
}

SongDocument::Placement SongDocument::CountPlacement() const
{
    Placement count;
    const MKaraokeLine* line = nullptr;
    bool lineUnplaced = false;
    const auto close = [&] {
        if (!line) return;
        ++count.lines;
        if (lineUnplaced) ++count.unplaced;
    };
    for (const auto& word : m_song->words) {
        if (word->line != line) {
            close();
            line = word->line;
            lineUnplaced = false;
        }
        if (word->start == 0) lineUnplaced = true;
    }
    close();
    return count;
}

std::string SongDocument::UntimedRefusal() const
{
    const Placement count = CountPlacement();
    if (m_song->lyricText.empty() || count.lines == 0) return "the song has no lyrics to show";
    if (m_song->LyricsPlaced()) return {};
    const std::string which = count.lines == 1 ? "the song's one lyric line is not placed"
                                               : "none of the song's " + std::to_string(count.lines) + " lyric lines is placed";
    return which + "; its karaoke would be a blank screen";
}

void SongDocument::FollowHistory(const SongSnapshot* state)
{
    state->RestoreInto(*m_song);
    m_atCurrent = true;
    Notify(Change::Content);
    Notify(Change::History);
}

bool SongDocument::Undo()
{
    if (Editing()) return false;
    const bool was = Modified();
    const SongSnapshot* state = m_history.Undo();
    if (!state) return false;
    FollowHistory(state);
    NoteModified(was);
    return true;
}

bool SongDocument::Redo()
{
    if (Editing()) return false;
    const bool was = Modified();
    const SongSnapshot* state = m_history.Redo();
    if (!state) return false;
    FollowHistory(state);
    NoteModified(was);
    return true;
}

void SongDocument::SetRecoveryFile(const std::string& path)
{
    RemoveRecovery();
    m_recovery = path.empty() ? nullptr : std::make_unique<RecoveryFile>(path);
}

bool SongDocument::WriteRecovery()
{
    if (!m_recovery) return true;
    if (!Modified()) {
        RemoveRecovery();
        return true;
    }
    std::vector<uint8_t> bytes = SerializeProject(*m_song);
    if (bytes == m_recoveryWritten) return true;
    if (!m_recovery->Write(m_song->projectPath, bytes)) return false;
    m_recoveryWritten = std::move(bytes);
    return true;
}

void SongDocument::RemoveRecovery()
{
    if (!m_recovery) return;
    m_recovery->Remove();
    m_recoveryWritten.clear();
}

const WaveformPeaks& SongDocument::MusicPeaks(std::string* why)
{
    const std::string path = MusicLoaded() ? m_song->MusicWorkPath() : std::string();
    const uint32_t bytes = m_song->MusicPlayBytes();
    if (path.empty()) {
        m_peaks->Clear();
        m_peaksPath.clear();
        if (why) *why = "no music is loaded";
        return *m_peaks;
    }
    if (path == m_peaksPath && bytes == m_peaksBytes && !m_peaks->Empty()) return *m_peaks;
    std::string reason;
    m_peaksPath = path;
    m_peaksBytes = bytes;
    if (!m_peaks->Build(path, bytes, reason)) {
        m_peaksPath.clear();
        if (why) *why = path + ": " + reason;
    }
    return *m_peaks;
}

void SongDocument::AddInputsTo(OutputGate& gate) const
{
    for (const auto& [path, role] : Inputs()) gate.AddInput(path, role);
}

std::vector<std::pair<std::string, std::string>> SongDocument::Inputs() const
{
    const KaraokeSong& song = Song();
    std::vector<std::pair<std::string, std::string>> inputs = {
        {Path(), "the song's project file"},
        {song.musicPath, "the song's music"},
        {MusicSource(), "the song's music"},
        {song.MusicWorkPath(), "the music the song plays"},
        {MusicResult().path, "the music the song plays"},
        {LyricSource(), "the lyric file the song was made from"},
    };
    // Music that moved with its project is found beside it; that file is the music too.
    const std::string located = LocateMusic().path;
    inputs.emplace_back(located, "the song's music");
    // A work file decoded from the user's music names that music.
    std::vector<std::string> read;
    for (const std::string& work : {song.musicPath, song.MusicWorkPath(), located}) {
        if (work.empty() || std::find(read.begin(), read.end(), work) != read.end()) continue;
        read.push_back(work);
        inputs.emplace_back(ReadWorkFileSource(work), "the song's music");
    }
    return inputs;
}
