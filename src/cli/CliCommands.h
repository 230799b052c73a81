#pragma once
#include <string>
#include <vector>

// Each subcommand of tessavox-cli takes its own arguments (without the command name) and
// returns the process exit status.
using CliArgs = std::vector<std::string>;

int RunInfoCommand(const CliArgs& args);
int RunRenderCommand(const CliArgs& args);
int RunPageCommand(const CliArgs& args);
int RunStreamCommand(const CliArgs& args);
int RunEncodeCommand(const CliArgs& args);
int RunBinCommand(const CliArgs& args);
int RunNewCommand(const CliArgs& args);
int RunExportCommand(const CliArgs& args);
int RunPlayCommand(const CliArgs& args);
int RunWaveformCommand(const CliArgs& args);
int RunLogCommand(const CliArgs& args);
int RunAlignCommand(const CliArgs& args);
