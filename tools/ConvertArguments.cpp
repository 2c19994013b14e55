#include "ConvertArguments.h"

#include <string_view>

#include "InstrumentTable.h"

namespace kvq {

namespace {

std::string TypeRange() {
    return "0 to " + std::to_string(kInstrumentTypeCount - 1);
}

bool ParseType(std::string_view text, int& type) {
    if (text.size() != 1 || text[0] < '0' || text[0] >= '0' + kInstrumentTypeCount) {
        return false;
    }
    type = text[0] - '0';
    return true;
}

ConvertArguments UsageError(std::string message) {
    ConvertArguments result;
    result.error = std::move(message);
    return result;
}

ConvertArguments Only(ConvertArguments::Action action) {
    ConvertArguments result;
    result.action = action;
    return result;
}

// Which lines of an instrument type count, as the help lists them.
std::string LinesTaken(const InstrumentRow& row) {
    std::string text = std::to_string(row.recordFields) + "-field lines";
    if (row.linesPerRecord > 1) {
        text += " that read as a number, " + std::to_string(row.linesPerRecord) + " to a record";
    }
    if (row.carrierFields != 0) {
        text += "; " + std::to_string(row.carrierFields) + "-field lines carry their field " +
                std::to_string(row.carriedField + 1) + " into the records after them";
    }
    return text;
}

}  // namespace

ConvertArguments ParseConvertArguments(const std::vector<std::string>& arguments) {
    ConvertArguments result;
    int positional = 0;
    const std::size_t argc = arguments.size();
    for (std::size_t i = 1; i < argc; ++i) {
        const std::string_view arg = arguments[i];
        if (arg == "--help" || arg == "-h") {
            return Only(ConvertArguments::Action::kHelp);
        }
        if (arg == "--version") {
            return Only(ConvertArguments::Action::kVersion);
        }
        if (arg == "--type") {
            if (i + 1 >= argc) {
                return UsageError("--type needs a number from " + TypeRange());
            }
            if (!ParseType(arguments[++i], result.type)) {
                return UsageError("unknown instrument type '" + arguments[i] + "': use " +
                                  TypeRange());
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option '" + std::string(arg) + "'");
        } else if (positional < 2) {
            (positional++ == 0 ? result.input : result.output) = arg;
        } else {
            return UsageError("unexpected argument '" + std::string(arg) + "'");
        }
    }
    if (result.type < 0) {
        return UsageError("missing --type N");
    }
    if (positional < 2) {
        return UsageError("missing INPUT and OUTPUT");
    }
    result.action = ConvertArguments::Action::kConvert;
    return result;
}

std::string ConvertHelpText() {
    std::string text =
        "usage: kvq-convert --type N INPUT OUTPUT\n"
        "       kvq-convert --version\n"
        "\n"
        "Converts the bytes of a serial capture into a .kvq raw-data file, exactly as the\n"
        "program saves them when they were received with instrument type N selected.\n"
        "INPUT or OUTPUT may be '-' for standard input or output. OUTPUT is used as given.\n"
        "\n"
        "Instrument types, and the lines that make their records:\n";
    for (const InstrumentRow& row : kInstrumentTypes) {
        text += "  " + std::to_string(row.index) + "  " + std::string(row.caption) + "\n     " +
                LinesTaken(row) + "\n";
    }
    return text;
}

}  // namespace kvq
