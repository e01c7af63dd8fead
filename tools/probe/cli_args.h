// The probe's command line: positional words, --options, typed values.
#pragma once
#include <map>
#include <string>
#include <vector>

namespace probe {

struct ParsedArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;  // by name without dashes
    bool help = false;

    bool has(const std::string &name) const { return options.count(name) != 0; }
    const std::string &value(const std::string &name) const { return options.at(name); }
};

// Option names and whether each takes a value. --help and -h are always known.
using OptionTable = std::map<std::string, bool>;

// Splits words into positional ones and options ("--name value" or
// "--name=value"); throws a usage ProbeError naming the command for an
// unknown, repeated or valueless option.
ParsedArgs parse_args(const std::string &command, const std::vector<std::string> &words,
                      const OptionTable &allowed);

// Typed values; each throws a usage ProbeError naming `what`.
long parse_long(const std::string &text, const std::string &what, long lo, long hi);
double parse_number(const std::string &text, const std::string &what, double lo, double hi);
std::vector<std::string> split(const std::string &text, char separator);
// From at_least to out.size() comma-separated whole numbers, read into
// out in order; entries not given keep the values out held.
void parse_long_list(const std::string &text, const std::string &what, long lo, long hi, size_t at_least,
                     std::vector<long> &out);

}  // namespace probe
