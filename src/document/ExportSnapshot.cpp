#include "document/ExportSnapshot.h"

#include "document/OutputGate.h"
#include "document/SongDocument.h"
#include "log/MLineListLog.h"
#include "project/KaraokeSong.h"

ExportSnapshot::ExportSnapshot(const SongDocument& doc) : m_song(doc.Song().DeepCopy()), m_inputs(doc.Inputs())
{
    // The rebuild may have a word for the user (duet marks in a solo song): it is said now, on
    // the document's thread, through the document's prompt.
    if (m_song->GenerateKaraokeLineList(true, true)) doc.TellDuetMarksDropped();
    MLineListLog::Rebuilt(*m_song);
}

ExportSnapshot::~ExportSnapshot() = default;

void ExportSnapshot::AddInputsTo(OutputGate& gate) const
{
    for (const auto& [path, role] : m_inputs) gate.AddInput(path, role);
}
