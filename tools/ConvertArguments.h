#pragma once

#include <string>
#include <vector>

namespace kvq {

// kvq-convert's command line.
struct ConvertArguments {
    enum class Action { kConvert, kHelp, kVersion, kUsageError };
    Action action = Action::kUsageError;
    int type = -1;
    std::string input;   // "-": standard input
    std::string output;  // "-": standard output
    std::string error;   // what is wrong, for kUsageError
};

// The arguments as the program got them, its own name first.
ConvertArguments ParseConvertArguments(const std::vector<std::string>& arguments);

// The usage text, with the instrument types and the lines each turns into records.
std::string ConvertHelpText();

}  // namespace kvq
