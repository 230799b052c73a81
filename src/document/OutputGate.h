#pragma once
#include <string>
#include <vector>

// The one place that decides whether a file may be written: every export, stream, picture,
// work file and save asks it first, in the window and on the command line alike. A target is
// taken as the file it really is (symbolic links followed, hard links told by identity), and
// one of the run's inputs (the project, its music as named and as played, the lyric file it was
// made from) is never written, whatever the user says. Replacing a file that exists is a
// matter of policy: the window's file chooser has asked already, the command line needs
// --force.
class OutputGate {
public:
    enum class Existing {
        Replace, // the user agreed to replace it (the window's chooser asked)
        Refuse,  // an existing file is refused (the command line without --force)
    };

    explicit OutputGate(Existing existing = Existing::Replace);

    // A file the run reads; role says what it is to the user ("the song's music").
    void AddInput(const std::string& path, const std::string& role);
    // (A song's own inputs are added by SongDocument::AddInputsTo.)

    // The path to write for target: absolute, with the links of its folder and of the file
    // itself followed, so that a link to an output is written through rather than replaced.
    static std::string Resolve(const std::string& target);
    // The path to write for target: target itself, or where it leads when it is a link.
    static std::string WriteTarget(const std::string& target);

    // Why target may not be written, in a sentence that names it; empty when it may.
    std::string Refusal(const std::string& target) const;
    // The first refusal among the members of one output (an MP3+G pair with its LRC file).
    std::string Refusal(const std::vector<std::string>& targets) const;

private:
    struct Input {
        std::string path; // resolved
        std::string role;
        bool exists = false;
        unsigned long long device = 0;
        unsigned long long inode = 0;
    };
    const Input* InputAt(const std::string& resolved) const;

    Existing m_existing;
    std::vector<Input> m_inputs;
};
