#include "ConvertFiles.h"

namespace kvq {

bool ConvertOutput::Open(const std::string& argument, const ConvertInput& input,
                         std::string& error) {
    if (argument != "-") {
        return OpenNamed(argument, input, error);
    }
    name_ = "standard output";
    fd_ = 1;
    if (StandardOutputIsInput(input)) {
        // Appending to the input would feed the records back in without end.
        error = input.Name() + ": input file is output file";
        return false;
    }
    return true;
}

}  // namespace kvq
