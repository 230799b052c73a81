#include "AppTestSupport.h"

#include <cmath>
#include <QtTest>

#include "app/AppContext.h"
#include "app/dialogs/EditLyricsWarningDialog.h"
#include "app/dialogs/FindLyricsDialog.h"
#include "audio/WavOutFile.h"
#include "document/SongDocument.h"

Answers::Answers()
{
    QtUserPrompt::SetAnswererForTesting([this](const QtUserPrompt::Box& box) {
        boxes.push_back(box);
        if (!box.checkLabel.empty()) {
            const bool tick = !ticks.empty() && ticks.front();
            if (!ticks.empty()) ticks.erase(ticks.begin());
            return tick ? PromptAnswer::Yes : PromptAnswer::No;
        }
        if (!box.question) return PromptAnswer::Ok;
        if (answers.empty()) return PromptAnswer::Yes;
        const PromptAnswer a = answers.front();
        answers.erase(answers.begin());
        return a;
    });
    FileChooser::SetAnswererForTesting([this](FileChoice& choice) {
        choices.push_back(choice);
        if (paths.isEmpty()) return QString();
        return paths.takeFirst();
    });
    EditLyricsWarningDialog::SetHookForTesting([this](EditLyricsWarningDialog&) {
        ++notices;
        return int(QDialog::Accepted);
    });
    FindLyricsDialog::SetHookForTesting([this](FindLyricsDialog& dialog) {
        if (findLyrics) return findLyrics(dialog);
        dialog.ImportLocalFile();
        return dialog.result();
    });
    FindLyricsDialog::SetOpenerForTesting([](const QString&) {});
}

Answers::~Answers()
{
    QtUserPrompt::SetAnswererForTesting(nullptr);
    FileChooser::SetAnswererForTesting(nullptr);
    EditLyricsWarningDialog::SetHookForTesting(nullptr);
    FindLyricsDialog::SetHookForTesting(nullptr);
    FindLyricsDialog::SetOpenerForTesting(nullptr);
}

bool Answers::Asked(const std::string& caption) const
{
    return Count(caption) > 0;
}

size_t Answers::Count(const std::string& caption) const
{
    size_t n = 0;
    for (const auto& b : boxes)
        if (b.caption == caption) ++n;
    return n;
}

void WriteToneWav(const QString& path, double seconds)
{
    WavOutFile out;
    QVERIFY(out.Create(path.toStdString(), 44100, 16, 2));
    const size_t frames = size_t(seconds * 44100);
    std::vector<int16_t> samples(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const auto v = int16_t(std::lround(3000.0 * std::sin(2.0 * M_PI * 440.0 * double(i) / 44100.0)));
        samples[2 * i] = samples[2 * i + 1] = v;
    }
    QVERIFY(out.Write(samples));
    QVERIFY(out.Close());
}

void EditSong(AppContext& app, const std::function<void(KaraokeSong&)>& change)
{
    SongEdit edit = app.Document().BeginEdit("Typing");
    change(edit.Song());
    edit.Commit();
}
