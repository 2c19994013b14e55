#include "SimOptions.h"

#include <algorithm>
#include <array>
#include <string_view>

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

constexpr std::array<std::string_view, 8> kValueOptions = {
    "--type", "--lines", "--rate", "--seed", "--delay", "--link", "--replay", "--save-sent"};

bool TakesValue(std::string_view name) {
    return std::find(kValueOptions.begin(), kValueOptions.end(), name) != kValueOptions.end();
}

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

struct Given {
    bool type = false;
    bool lines = false;
    bool seed = false;
};

bool ApplyOption(std::string_view name, std::string_view value, SimOptions& options, Given& given,
                 std::string& error) {
    std::uint64_t number = 0;
    if (name == "--type") {
        given.type = true;
        if (!ParseWhole(value, kInstrumentTypeCount - 1, number)) {
            error = "--type must be an instrument type from 0 to 5, not " + Quoted(value);
            return false;
        }
        options.type = static_cast<int>(number);
    } else if (name == "--lines") {
        given.lines = true;
        if (!ParseWhole(value, kMaxLines, options.lines)) {
            error = "--lines must be a whole number from 0 to 1000000000, not " + Quoted(value);
            return false;
        }
    } else if (name == "--rate") {
        if (!ParseWhole(value, kMaxRate, options.rate)) {
            error = "--rate must be a whole number of bytes per second (0: full speed), not " +
                    Quoted(value);
            return false;
        }
    } else if (name == "--seed") {
        given.seed = true;
        if (!ParseWhole(value, UINT64_MAX, options.seed)) {
            error = "--seed must be a whole number from 0 to 18446744073709551615, not " +
                    Quoted(value);
            return false;
        }
    } else if (name == "--delay") {
        if (!ParseWhole(value, kMaxDelayMs, options.delayMs)) {
            error = "--delay must be a whole number of milliseconds, not " + Quoted(value);
            return false;
        }
    } else if (name == "--link" || name == "--replay" || name == "--save-sent") {
        if (value.empty()) {
            error = std::string(name) + " needs a file name";
            return false;
        }
        std::string& target = name == "--link"     ? options.link
                              : name == "--replay" ? options.replay
                                                   : options.saveSent;
        target = value;
    } else {
        error = "unknown option " + Quoted(name);
        return false;
    }
    return true;
}

}  // namespace

bool ParseSimOptions(int argc, char** argv, SimOptions& options, std::string& error) {
    Given given;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return true;
        }
        if (arg == "--version") {
            options.version = true;
            return true;
        }
        if (arg == "--gbk") {
            options.gbk = true;
            continue;
        }
        if (arg.size() < 3 || arg.substr(0, 2) != "--") {
            error = arg.size() > 1 && arg[0] == '-' ? "unknown option " + Quoted(arg)
                                                    : "unexpected argument " + Quoted(arg);
            return false;
        }
        // "--name value" or "--name=value"
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        if (!TakesValue(name)) {
            error = name == "--gbk" ? "--gbk takes no value" : "unknown option " + Quoted(name);
            return false;
        }
        std::string_view value;
        if (equals != std::string_view::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            error = std::string(name) + " needs a value";
            return false;
        }
        if (!ApplyOption(name, value, options, given, error)) {
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
