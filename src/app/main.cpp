// tessavox: the karaoke production program.
#include <QApplication>
#include <QCommandLineParser>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPropertyAnimation>
#include <QVBoxLayout>
#include <csignal>
#include <cstdio>
#include <string_view>

#include "app/TessavoxApp.h"
#include "app/CheckMp3Support.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "log/MLogQueue.h"
#include "media/LeftoverSweep.h"

namespace {

constexpr int kFadeMs = 1000;

// The About box shown as a splash screen, faded in and out.
void ShowSplash()
{
    QDialog splash(nullptr, Qt::SplashScreen | Qt::WindowStaysOnTopHint);
    auto* layout = new QVBoxLayout(&splash);
    layout->addWidget(new QLabel(QString("<b style='font-size:18pt'>Tessavox</b><br>Version %1")
                                     .arg(QCoreApplication::applicationVersion()),
                                 &splash));
    splash.setWindowOpacity(0.0);
    splash.show();
    for (auto [from, to] : {std::pair{0.0, 1.0}, std::pair{1.0, 0.0}}) {
        QPropertyAnimation fade(&splash, "windowOpacity");
        fade.setDuration(kFadeMs);
        fade.setStartValue(from);
        fade.setEndValue(to);
        QEventLoop loop;
        QObject::connect(&fade, &QPropertyAnimation::finished, &loop, &QEventLoop::quit);
        fade.start();
        loop.exec();
    }
}

void SetNames()
{
    QCoreApplication::setOrganizationName("Kelvane");
    QCoreApplication::setApplicationName("Tessavox");
    QCoreApplication::setApplicationVersion(TESSAVOX_VERSION);
}

void AddOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription("Make CD+G karaoke from music and lyrics.");
    parser.addHelpOption();
    // -V, as the command-line tool has it (-v is its --verbose).
    parser.addOption({{"V", "version"}, "Displays version information."});
    parser.addOption({"no-splash", "Start without the splash screen."});
    parser.addOption({"log", "Append a diagnostic log of the session to <file> (also TESSAVOX_LOG=<file>).", "file"});
    parser.addPositionalArgument("project", "A project (.tvx) to open.", "[project]");
}

// --help and --version print a text and need no window: they are answered before the window
// system is asked for a display (a terminal without one would end the program otherwise).
bool AsksOnlyForText(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "--") break;
        if (arg == "-h" || arg == "-?" || arg == "--help" || arg == "--help-all" || arg == "-V" ||
            arg == "--version")
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    // Past a file size limit a write fails with EFBIG and is reported like a full disk, with
    // the file's name, instead of the signal ending the program with a partial file.
    std::signal(SIGXFSZ, SIG_IGN);
    if (AsksOnlyForText(argc, argv)) {
        QCoreApplication text(argc, argv);
        SetNames();
        QCommandLineParser parser;
        AddOptions(parser);
        parser.process(text); // prints the help and exits
        if (parser.isSet("version")) std::printf("Tessavox %s\n", TESSAVOX_VERSION);
        return 0;
    }

    // What killed runs left (work folders, half-written exports) goes before new work begins.
    SweepLeftovers();
    QApplication qapp(argc, argv);
    SetNames();
    QApplication::setWindowIcon(QIcon(":/tessavox.svg"));

    QCommandLineParser parser;
    AddOptions(parser);
    parser.process(qapp);
    const QString project =
        parser.positionalArguments().isEmpty() ? QString() : QFileInfo(parser.positionalArguments().first()).absoluteFilePath();

    SingleInstance instance(SingleInstance::DefaultName());
    if (instance.PassToRunning(project)) return 0;
    instance.Listen();

    if (!parser.isSet("no-splash")) ShowSplash();

    TessavoxApp app;
    // Ctrl+C, kill and a closed terminal end the program cleanly: no half-written export is
    // left and no box waits for an answer.
    TerminationSignals stopSignals;
    QObject::connect(&stopSignals, &TerminationSignals::Received, &app, &TessavoxApp::Terminate);
    stopSignals.Install();
    // Without the MP3 encoder the program still runs: MP3+G export is off, BIN and WMA+G stay.
    app.SetMp3Support(CheckMp3Support(app.Prompt(), app.Settings()));
    app.InitInstance(true);
    // The diagnostic log, when the user names a file for it.
    std::string logFile = parser.isSet("log") ? parser.value("log").toStdString() : MLogQueue::FileFromEnvironment();
    if (!logFile.empty())
        if (const std::string failure = MLogQueue::SwitchOn(logFile); !failure.empty()) app.Prompt().Message(failure, "Tessavox", PromptIcon::Warning);
    QObject::connect(&instance, &SingleInstance::Activated, &app, &TessavoxApp::OpenFromAnotherStart);
    // Work a crashed or killed window left unsaved comes first; then the project asked for.
    app.EnableRecovery();
    if (!app.OfferRecovery() && !project.isEmpty()) app.OpenProject(project);
    // A signal during start-up ended the loops it came in; the main loop would start afresh.
    if (app.TerminationStatus() != 0) return app.TerminationStatus();
    return qapp.exec();
}
