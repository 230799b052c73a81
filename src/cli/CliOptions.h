#pragma once
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

// One option a command takes: --name (and -x when it has a short form), with a value or not.
struct CliOption {
    const char* name;
    char shortName = 0;
    bool takesValue = true;
    // The value may be left out: only "--name=value" gives one.
    bool valueOptional = false;
};

// The arguments of one command, read by getopt_long the way GNU tools read theirs: options and
// operands in any order, "--name=value" as well as "--name value", "--" before operands that
// begin with "-", and "-" an operand of its own (standard input or output). -h and --help show
// the command's usage on standard output, -V and --version the program's version.
class CliOptions {
public:
    enum class Result { Run, Help, Bad };

    CliOptions(std::string command, const char* usage, std::vector<CliOption> options);

    // Reads the arguments. Help: the usage went to standard output. Bad: the reason and the
    // usage went to standard error ("tessavox-cli CMD: reason").
    Result Parse(const CliArgs& args);
    // The exit status for Help (0) and Bad (2); nothing when the command goes on.
    static std::optional<int> ExitFor(Result result);

    bool Has(const std::string& name) const { return m_values.count(name) != 0; }
    // The option's value (the last one given), or fallback.
    std::string Value(const std::string& name, const std::string& fallback = {}) const;
    const std::vector<std::string>& Operands() const { return m_operands; }

    // "tessavox-cli CMD: why" and the usage on standard error; returns 2.
    int Refuse(const std::string& why) const;
    const std::string& Command() const { return m_command; }
    // "Options: -o, --output VALUE, --force, ..." with the options every command takes, as --help
    // ends.
    std::string OptionList() const;

private:
    std::string m_command;
    const char* m_usage;
    std::vector<CliOption> m_options;
    std::map<std::string, std::string> m_values;
    std::vector<std::string> m_operands;
};
