#include "cli_args.h"

#include "probe_errors.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace probe {

ParsedArgs parse_args(const std::string &command, const std::vector<std::string> &words, const OptionTable &allowed) {
    ParsedArgs out;
    for (size_t i = 0; i < words.size(); i++) {
        const std::string &w = words[i];
        if (w == "--help" || w == "-h") {
            out.help = true;
            continue;
        }
        if (w.size() < 3 || w.compare(0, 2, "--") != 0) {
            // A lone "-" or a negative number is a value, not an option.
            if (w.size() > 1 && w[0] == '-' && !(w[1] >= '0' && w[1] <= '9'))
                throw usage_error(command + ": unknown option " + w);
            out.positional.push_back(w);
            continue;
        }
        std::string name = w.substr(2), value;
        const size_t eq = name.find('=');
        const bool inline_value = eq != std::string::npos;
        if (inline_value) {
            value = name.substr(eq + 1);
            name.erase(eq);
        }
        auto known = allowed.find(name);
        if (known == allowed.end()) throw usage_error(command + ": unknown option --" + name);
        if (out.has(name)) throw usage_error(command + ": --" + name + " given twice");
        if (known->second && !inline_value) {
            if (i + 1 >= words.size()) throw usage_error(command + ": --" + name + " needs a value");
            value = words[++i];
        } else if (!known->second && inline_value) {
            throw usage_error(command + ": --" + name + " takes no value");
        }
        out.options[name] = value;
    }
    return out;
}

long parse_long(const std::string &text, const std::string &what, long lo, long hi) {
    errno = 0;
    char *end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || errno || v < lo || v > hi)
        throw usage_error(what + ": expected a whole number from " + std::to_string(lo) + " to " +
                          std::to_string(hi) + ", got \"" + text + "\"");
    return v;
}

double parse_number(const std::string &text, const std::string &what, double lo, double hi) {
    char *end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end || !(v >= lo && v <= hi)) {
        char range[96];
        std::snprintf(range, sizeof range, "%g to %g", lo, hi);
        throw usage_error(what + ": expected a number from " + range + ", got \"" + text + "\"");
    }
    return v;
}

std::vector<std::string> split(const std::string &text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

void parse_long_list(const std::string &text, const std::string &what, long lo, long hi, size_t at_least,
                     std::vector<long> &out) {
    const std::vector<std::string> parts = split(text, ',');
    if (parts.size() < at_least || parts.size() > out.size())
        throw usage_error(what + ": expected " +
                          (at_least == out.size() ? std::to_string(out.size())
                                                  : std::to_string(at_least) + " to " + std::to_string(out.size())) +
                          " comma-separated values, got \"" + text + "\"");
    for (size_t i = 0; i < parts.size(); i++) out[i] = parse_long(parts[i], what, lo, hi);
}

}  // namespace probe
