#include "cli/CliOptions.h"

#include <cstdio>
#include <getopt.h>

namespace {

constexpr int kHelpCode = 'h';
constexpr int kVersionCode = 'V';
// Long options without a short form get codes above every character.
constexpr int kFirstLongCode = 256;
constexpr int kExitHelp = 0;
constexpr int kExitUsage = 2;
constexpr size_t kOptionListWidth = 100;

} // namespace

CliOptions::CliOptions(std::string command, const char* usage, std::vector<CliOption> options)
    : m_command(std::move(command)), m_usage(usage), m_options(std::move(options))
{
}

std::optional<int> CliOptions::ExitFor(Result result)
{
    switch (result) {
    case Result::Help: return kExitHelp;
    case Result::Bad: return kExitUsage;
    case Result::Run: break;
    }
    return std::nullopt;
}

std::string CliOptions::Value(const std::string& name, const std::string& fallback) const
{
    const auto it = m_values.find(name);
    return it == m_values.end() ? fallback : it->second;
}

int CliOptions::Refuse(const std::string& why) const
{
    std::fprintf(stderr, "tessavox-cli %s: %s\n%s", m_command.c_str(), why.c_str(), m_usage);
    return kExitUsage;
}

std::string CliOptions::OptionList() const
{
    // Every option the command reads, from the table it reads them by, so that the list cannot
    // leave one out; the manual page and the shell completion are checked against it.
    std::vector<std::string> names;
    for (const CliOption& o : m_options)
        names.push_back((o.shortName ? "-" + std::string(1, o.shortName) + ", " : std::string()) + "--" + o.name +
                        (!o.takesValue ? "" : o.valueOptional ? "[=VALUE]" : " VALUE"));
    for (const char* common : {"-q, --quiet", "-v, --verbose", "-h, --help", "-V, --version"}) names.push_back(common);
    std::string text = "Options:";
    size_t column = text.size();
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string item = " " + names[i] + (i + 1 < names.size() ? "," : "\n");
        if (column + item.size() > kOptionListWidth) {
            text += "\n ";
            column = 1;
        }
        text += item;
        column += item.size();
    }
    return text;
}

CliOptions::Result CliOptions::Parse(const CliArgs& args)
{
    m_values.clear();
    m_operands.clear();

    // ":" first: a missing value is reported as ':' rather than '?'.
    std::string shorts = ":hV";
    std::vector<option> longs;
    longs.push_back({"help", no_argument, nullptr, kHelpCode});
    longs.push_back({"version", no_argument, nullptr, kVersionCode});
    for (size_t i = 0; i < m_options.size(); ++i) {
        const CliOption& o = m_options[i];
        const int code = o.shortName ? o.shortName : kFirstLongCode + int(i);
        const int argument = !o.takesValue ? no_argument : o.valueOptional ? optional_argument : required_argument;
        longs.push_back({o.name, argument, nullptr, code});
        if (o.shortName) shorts += std::string(1, o.shortName) + (o.takesValue ? ":" : "");
    }
    longs.push_back({nullptr, 0, nullptr, 0});

    std::vector<std::string> storage;
    storage.reserve(args.size() + 1);
    storage.push_back("tessavox-cli " + m_command);
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);

    // getopt keeps its place in globals: start it afresh, and let it say nothing itself.
    optind = 0;
    opterr = 0;
    for (;;) {
        int index = -1;
        const int code = getopt_long(int(argv.size() - 1), argv.data(), shorts.c_str(), longs.data(), &index);
        if (code == -1) break;
        if (code == kHelpCode) {
            std::fputs(m_usage, stdout);
            std::fputs(OptionList().c_str(), stdout);
            return Result::Help;
        }
        if (code == kVersionCode) {
            std::printf("tessavox-cli %s\n", TESSAVOX_VERSION);
            return Result::Help;
        }
        // getopt reorders argv as it goes; the argument it just read is the one before optind.
        const std::string given = optind > 0 && optind - 1 < int(argv.size() - 1) ? argv[size_t(optind - 1)] : "";
        if (code == '?') {
            const std::string name = optopt && optopt < kFirstLongCode ? "-" + std::string(1, char(optopt)) : given;
            Refuse("unknown option \"" + name.substr(0, name.find('=')) + "\"");
            return Result::Bad;
        }
        if (code == ':') {
            const std::string name = optopt && optopt < kFirstLongCode ? "-" + std::string(1, char(optopt)) : given;
            Refuse(name + " needs a value");
            return Result::Bad;
        }
        const CliOption* option = nullptr;
        for (size_t i = 0; i < m_options.size() && !option; ++i)
            if ((m_options[i].shortName && m_options[i].shortName == code) || kFirstLongCode + int(i) == code)
                option = &m_options[i];
        if (!option) continue;
        m_values[option->name] = option->takesValue && optarg ? optarg : "";
    }
    for (int i = optind; i < int(argv.size() - 1); ++i) m_operands.push_back(argv[size_t(i)]);
    return Result::Run;
}
