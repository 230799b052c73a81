#pragma once
#include <string>
#include <vector>

// Why an input file could not be read, in the system's words ("No such file or directory", "Is a
// directory", "Permission denied"), asked again of the file system so that it does not depend on
// what happened since.
std::string ReadFailureReason(const std::string& path);

// Whether a path names a project file (.tvx, in any letter case), as the window's drops tell it.
bool IsProjectPath(const std::string& path);

class OutputGate;

// Asks the gate about a command's outputs ("-", standard output, always passes). On a refusal
// prints "tessavox-cli COMMAND: why" and returns false.
bool OutputsAllowed(const std::string& command, const OutputGate& gate, const std::vector<std::string>& outputs);
