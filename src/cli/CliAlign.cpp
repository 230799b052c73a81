#include "cli/CliAlign.h"

#include "cli/CliConsole.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cli/JsonWriter.h"
#include "cli/ProgressLine.h"
#include "cli/StopSignals.h"
#include "document/AutoTiming.h"
#include "document/SongDocument.h"
#include "project/KaraokeSong.h"

bool AlignCliSong(const std::string& command, SongDocument& doc, const std::string& vocals,
                  std::vector<AlignedWord>& times, AutoTiming::Lines lines)
{
    AutoTiming timing(doc, vocals, lines);
    bool aligned = false;
    {
        ProgressLine line("Timing words...");
        aligned = timing.Run([&line](int percent) {
            line(percent);
            return !StopSignals::Requested();
        });
    }
    if (!aligned) {
        if (!timing.Cancelled() && !StopSignals::Requested())
            CliConsole::Error("tessavox-cli %s: %s\n", command.c_str(), timing.Error().c_str());
        return false;
    }
    if (StopSignals::Requested()) return false;
    if (const std::string refusal = timing.Refusal(doc); !refusal.empty()) {
        std::fprintf(stderr, "tessavox-cli %s: %s\n", command.c_str(), refusal.c_str());
        return false;
    }
    timing.Apply(doc);
    times = timing.Times();
    return true;
}

std::string AlignedWordsJson(const KaraokeSong& song, const std::vector<AlignedWord>& times)
{
    std::string out;
    JsonWriter json(out);
    json.BeginObject();
    json.Key("words");
    json.BeginArray();
    for (const AlignedWord& t : times) {
        std::string text;
        if (t.element < song.words.size()) {
            const MKaraokeWord& w = *song.words[t.element];
            if (w.line && w.first >= 0 && w.last >= w.first && size_t(w.first) < w.line->text.size())
                text = w.line->text.substr(size_t(w.first), size_t(w.last - w.first) + 1);
            text.erase(std::remove(text.begin(), text.end(), '*'), text.end());
        }
        json.BeginObject(true);
        json.Field("line", uint64_t(t.line));
        json.Field("word", uint64_t(t.word));
        json.Field("text", text);
        json.Field("start", uint64_t(t.start));
        json.Field("end", uint64_t(t.end));
        json.Field("confidence", std::round(t.confidence * 1000) / 1000);
        json.Field("unsure", t.unsure);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return out;
}
