#pragma once

// Runs the real kestrune-batch binary (KESTRUNE_BATCH_BINARY) in a shell.
#include "tests/test_support.hpp"

#include <sys/wait.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace kestrune::test {

struct BatchResult {
    int exitStatus;
    std::string errorOutput;
    std::string output;
};

inline std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// `shellPrefix` goes before the command: variables ("KESTRUNE_NUM_THREADS=1")
// or commands ("ulimit -f 64;").
inline BatchResult runBatch(const std::vector<std::string>& arguments, const TempDir& dir,
                            const std::string& shellPrefix = "") {
    std::string command = shellPrefix + " " + KESTRUNE_BATCH_BINARY;
    for (const auto& argument : arguments) command += " " + shellQuoted(argument);
    const std::string errors = dir.file("stderr.txt"), output = dir.file("stdout.txt");
    const int status = std::system((command + " 2>" + errors + " >" + output).c_str());
    BatchResult result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(errors), readFile(output)};
    std::filesystem::remove(errors);
    std::filesystem::remove(output);
    return result;
}

}  // namespace kestrune::test
