#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

class KaraokeSong;
class OutputGate;
class SongDocument;

// The song as an export takes it: a deep copy of the document's song made when the export
// starts, its line list built with final text, and the song's inputs that no export may write
// over. It is taken on the thread that owns the document; the export then runs on it from any
// thread while the document's song changes on, and what is exported is the song as it was
// when the export began.
class ExportSnapshot {
public:
    explicit ExportSnapshot(const SongDocument& doc);
    ~ExportSnapshot();
    ExportSnapshot(const ExportSnapshot&) = delete;
    ExportSnapshot& operator=(const ExportSnapshot&) = delete;

    const KaraokeSong& Song() const { return *m_song; }
    // Adds the song's inputs as they were when the snapshot was taken (SongDocument::AddInputsTo).
    void AddInputsTo(OutputGate& gate) const;

private:
    std::unique_ptr<KaraokeSong> m_song;
    std::vector<std::pair<std::string, std::string>> m_inputs;
};
