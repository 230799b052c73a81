// Typing in the Edit Lyrics view: one keystroke in the lyric editor of a 120-line song, from
// the key event through the editor, the song's text, the rebuild of the line list and the
// redrawn preview page, and then the repaint that follows in the event loop. Keys alternate
// between typing a letter and deleting it, in the middle of the text. The view fills an
// 800 x 600 window on the offscreen platform.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <string>

#include "app/MainWindow.h"
#include "app/TessavoxApp.h"
#include "app/CommandIds.h"
#include "app/views/EditLyricsView.h"
#include "project/KaraokeSong.h"

namespace {

std::string Lyrics(int lines)
{
    static const char* const kLines[] = {"Twin*kle, twin*kle, lit*tle star,", "How I won*der what you are!",
                                         "Up a*bove the world so high,", "Like a dia*mond in the sky."};
    std::string text;
    for (int i = 0; i < lines; ++i) {
        // A page mark after every verse of four.
        if (i > 0 && i % 4 == 0) text += "^\r\n";
        text += std::string(kLines[i % 4]) + "\r\n";
    }
    return text;
}

void Key(QWidget* target, int key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

void BM_EditKeystroke(benchmark::State& state)
{
    TessavoxApp app;
    app.InitInstance(true);
    app.Frame()->resize(800, 600);
    app.Song().lyricText = Lyrics(int(state.range(0)));
    app.SwitchView(ViewId::EditLyrics);
    auto* view = qobject_cast<EditLyricsView*>(app.Frame()->View());
    QPlainTextEdit* editor = view->Editor();
    QCoreApplication::processEvents();
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(editor->toPlainText().size() / 2);
    editor->setTextCursor(cursor);

    double keyNs = 0, repaintNs = 0, worstNs = 0;
    int64_t keys = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        const bool type = keys % 2 == 0;
        clock.start();
        if (type) Key(editor, Qt::Key_A, "a");
        else Key(editor, Qt::Key_Backspace, {});
        const double key = double(clock.nsecsElapsed());
        clock.start();
        QCoreApplication::processEvents();
        repaintNs += double(clock.nsecsElapsed());
        keyNs += key;
        worstNs = std::max(worstNs, key);
        ++keys;
    }
    app.Song().SetModified(false);
    state.counters["key_ms"] = keys ? keyNs / double(keys) / 1e6 : 0;
    state.counters["repaint_ms"] = keys ? repaintNs / double(keys) / 1e6 : 0;
    state.counters["worst_key_ms"] = worstNs / 1e6;
    state.counters["lines"] = double(app.Song().lines.size());
}

} // namespace

BENCHMARK(BM_EditKeystroke)->Arg(120)->Arg(1000)->Iterations(400)->Unit(benchmark::kMillisecond);
