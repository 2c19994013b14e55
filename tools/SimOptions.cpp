#include "SimOptions.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "InstrumentTable.h"

namespace kvq {

namespace {

constexpr std::uint64_t kMaxLines = 1'000'000'000;
constexpr std::uint64_t kMaxRate = 1'000'000'000;
constexpr std::uint64_t kMaxDelayMs = 24ULL * 3600 * 1000;

bool ParseWhole(std::string_view text, std::uint64_t max, std::uint64_t& value) {
    if (text.empty() || text.size() > 20) {
        return false;
    }
    std::uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (v > (UINT64_MAX - digit) / 10) {
            return false;
        }
        v = v * 10 + digit;
    }
    if (v > max) {
        return false;
    }
    value = v;
    return true;
}

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

struct Given {
    bool type = false;
    bool lines = false;
    bool seed = false;
};

// The options that take a whole number, its largest value and the end of the message that
// refuses another value.
struct NumberOption {
    std::string_view name;
    std::uint64_t max;
    std::uint64_t SimOptions::*field;
    bool Given::*given;  // nullptr: not remembered
    std::string_view must;
};

constexpr std::array<NumberOption, 4> kNumberOptions = {{
    {"--lines", kMaxLines, &SimOptions::lines, &Given::lines,
     "a whole number from 0 to 1000000000"},
    {"--rate", kMaxRate, &SimOptions::rate, nullptr,
     "a whole number of bytes per second (0: full speed)"},
    {"--seed", UINT64_MAX, &SimOptions::seed, &Given::seed,
     "a whole number from 0 to 18446744073709551615"},
    {"--delay", kMaxDelayMs, &SimOptions::delayMs, nullptr, "a whole number of milliseconds"},
}};

// The options that take a file name.
constexpr std::array<std::pair<std::string_view, std::string SimOptions::*>, 3> kFileOptions = {{
    {"--link", &SimOptions::link},
    {"--replay", &SimOptions::replay},
    {"--save-sent", &SimOptions::saveSent},
}};

bool TakesValue(std::string_view name) {
    return name == "--type" ||
           std::any_of(kNumberOptions.begin(), kNumberOptions.end(),
                       [&](const NumberOption& o) { return o.name == name; }) ||
           std::any_of(kFileOptions.begin(), kFileOptions.end(),
                       [&](const auto& o) { return o.first == name; });
}

bool ApplyType(std::string_view value, SimOptions& options, std::string& error) {
    std::uint64_t number = 0;
    if (!ParseWhole(value, kInstrumentTypeCount - 1, number)) {
        error = "--type must be an instrument type from 0 to " +
                std::to_string(kInstrumentTypeCount - 1) + ", not " + Quoted(value);
        return false;
    }
    options.type = static_cast<int>(number);
    return true;
}

bool ApplyOption(std::string_view name, std::string_view value, SimOptions& options, Given& given,
                 std::string& error) {
    if (name == "--type") {
        given.type = true;
        return ApplyType(value, options, error);
    }
    for (const NumberOption& o : kNumberOptions) {
        if (o.name == name) {
            if (o.given != nullptr) {
                given.*o.given = true;
            }
            if (!ParseWhole(value, o.max, options.*o.field)) {
                error = std::string(name) + " must be " + std::string(o.must) + ", not " +
                        Quoted(value);
                return false;
            }
            return true;
        }
    }
    for (const auto& [fileOption, field] : kFileOptions) {
        if (fileOption == name) {
            if (value.empty()) {
                error = std::string(name) + " needs a file name";
                return false;
            }
            options.*field = value;
            return true;
        }
    }
    error = "unknown option " + Quoted(name);
    return false;
}

// Splits "--name value" or "--name=value", taking the value from the next argument if needed.
bool NameAndValue(int argc, char** argv, int& i, std::string_view& name, std::string_view& value,
                  std::string& error) {
    const std::string_view arg = argv[i];
    if (arg.size() < 3 || arg.substr(0, 2) != "--") {
        error = arg.size() > 1 && arg[0] == '-' ? "unknown option " + Quoted(arg)
                                                : "unexpected argument " + Quoted(arg);
        return false;
    }
    const std::size_t equals = arg.find('=');
    name = arg.substr(0, equals);
    if (!TakesValue(name)) {
        error = name == "--gbk" ? "--gbk takes no value" : "unknown option " + Quoted(name);
        return false;
    }
    if (equals != std::string_view::npos) {
        value = arg.substr(equals + 1);
    } else if (i + 1 < argc) {
        value = argv[++i];
    } else {
        error = std::string(name) + " needs a value";
        return false;
    }
    return true;
}

}  // namespace

bool ParseSimOptions(int argc, char** argv, SimOptions& options, std::string& error) {
    Given given;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h" || arg == "--version") {
            (arg == "--version" ? options.version : options.help) = true;
            return true;
        }
        if (arg == "--gbk") {
            options.gbk = true;
            continue;
        }
        std::string_view name;
        std::string_view value;
        if (!NameAndValue(argc, argv, i, name, value, error) ||
            !ApplyOption(name, value, options, given, error)) {
            return false;
        }
    }
    if (!options.replay.empty() && (given.type || given.lines || given.seed || options.gbk)) {
        error = "--replay sends the file as it is: --type, --lines, --seed and --gbk do not apply";
        return false;
    }
    return true;
}

const char* SimUsage() {
    return "usage: kvq-sim [--type N] [--lines N] [--seed N] [--gbk] [--rate BYTES_PER_SECOND]\n"
           "               [--delay MS] [--link PATH] [--save-sent FILE]\n"
           "       kvq-sim --replay FILE [--rate BYTES_PER_SECOND] [--delay MS] [--link PATH]\n"
           "               [--save-sent FILE]\n"
           "       kvq-sim --version\n"
           "\n"
           "Plays a field instrument on a pseudo-terminal. Prints the terminal's device path\n"
           "on standard output, waits until a program opens it, sends the lines, waits until\n"
           "the reader has taken them and ends. Progress and errors go to standard error.\n"
           "\n"
           "  --type N            instrument type 0 to 5 (default 0)\n"
           "  --lines N           lines to send in all, headings and empty lines included\n"
           "                      (default 100)\n"
           "  --seed N            the same seed sends the same bytes (default 1)\n"
           "  --gbk               headings in GBK Chinese text\n"
           "  --rate N            bytes per second (default 1440, the rate of 14400 baud);\n"
           "                      0 sends as fast as the reader takes them\n"
           "  --delay MS          wait this long after the port is opened before sending\n"
           "  --link PATH         also make the symbolic link PATH to the terminal (such as\n"
           "                      /dev/COM1) and remove it at the end\n"
           "  --save-sent FILE    write exactly the bytes sent to FILE\n"
           "  --replay FILE       send the bytes of FILE instead of made-up lines\n"
           "\n"
           "Exit status: 0 all bytes sent and taken by the reader, 1 failure (the reader closed\n"
           "the port early, bytes left untaken, a file or terminal error), 2 bad arguments,\n"
           "128+N ended by signal N.\n";
}

}  // namespace kvq
