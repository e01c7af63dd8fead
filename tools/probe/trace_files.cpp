#include "trace_files.h"

#include "probe_errors.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

namespace probe {

namespace {

const double kFull = 4096;
const char *const kColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#9467bd",
                                "#ff7f0e", "#8c564b", "#e377c2", "#17becf"};

// Chart geometry, in SVG user units.
const double kWidth = 960, kHeight = 510;
const double kLeft = 90, kRight = 760, kTop = 100, kBottom = 440;

std::string fixed(double v, int decimals = 1) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

std::string xml_escape(const std::string &text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// 1, 2 or 5 times a power of ten, giving about `count` steps over span.
double tick_step(double span, int count) {
    const double raw = span / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= raw) return m * power;
    return 10 * power;
}

// A polyline through the samples, thinned to each pixel column's extremes
// when there are more samples than columns.
std::string polyline(const std::vector<double> &t, const std::vector<double> &v, double t0, double span,
                     const std::string &style) {
    auto x_of = [&](double time) { return kLeft + (time - t0) / span * (kRight - kLeft); };
    auto y_of = [&](double value) {
        const double clamped = std::max(-kFull, std::min(kFull, value));
        return (kTop + kBottom) / 2 - clamped / kFull * (kBottom - kTop) / 2;
    };
    std::vector<size_t> keep;
    if (t.size() <= 2 * static_cast<size_t>(kRight - kLeft)) {
        for (size_t i = 0; i < t.size(); i++) keep.push_back(i);
    } else {
        long column = -1;
        size_t lo = 0, hi = 0;
        for (size_t i = 0; i <= t.size(); i++) {
            const long c = i < t.size() ? static_cast<long>(x_of(t[i])) : -2;
            if (c != column) {
                if (column >= 0) {
                    keep.push_back(std::min(lo, hi));
                    if (lo != hi) keep.push_back(std::max(lo, hi));
                }
                column = c;
                lo = hi = i;
            } else {
                if (v[i] < v[lo]) lo = i;
                if (v[i] > v[hi]) hi = i;
            }
        }
    }
    std::string points;
    for (size_t i : keep) points += fixed(x_of(t[i])) + "," + fixed(y_of(v[i])) + " ";
    return "<polyline fill=\"none\" " + style + " points=\"" + points + "\"/>\n";
}

// Words of `text` in lines of at most `width` characters.
std::vector<std::string> wrap(const std::string &text, size_t width) {
    std::vector<std::string> lines(1);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        if (!lines.back().empty() && lines.back().size() + 1 + word.size() > width) lines.emplace_back();
        lines.back() += (lines.back().empty() ? "" : " ") + word;
        start = end + 1;
    }
    return lines;
}

std::string text_at(double x, double y, const std::string &text, const char *attributes = "") {
    return "<text x=\"" + fixed(x) + "\" y=\"" + fixed(y) + "\" " + attributes + ">" + xml_escape(text) +
           "</text>\n";
}

// A dash pattern per axis, so that curves that coincide stay visible: the
// later, dashed one is drawn over the earlier, whose colour shows between
// its dashes.
const char *const kDashes[] = {"", "10 6", "3 5", "14 5 3 5"};

std::string stroke(size_t axis, double width, const char *dashes) {
    std::string out = std::string("stroke=\"") + kColours[axis % 8] + "\" stroke-width=\"" + fixed(width) + "\"";
    if (*dashes) out += std::string(" stroke-dasharray=\"") + dashes + "\"";
    return out;
}

// Which way a positive push moves each axis shown, in words.
std::string sign_note(const std::vector<std::string> &axes) {
    std::string out = "Push on each actuator axis; + moves";
    for (size_t a = 0; a < axes.size(); a++) {
        const std::string &n = axes[a];
        const char *way = n == "X"   ? "to the right (a wheel clockwise)"
                          : n == "Y" ? "toward you (a stick pulled back)"
                                     : "toward its positive end";
        out += (a ? ", " : " ") + n + " " + way;
    }
    return out;
}

}  // namespace

void prepare_folder(const std::string &folder) {
    std::string path = folder;
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
    if (CreateDirectoryA(path.c_str(), nullptr)) return;
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    // Only the last folder is made: a typo further up should not leave a
    // tree of new folders behind.
    const std::string why = error == ERROR_PATH_NOT_FOUND ? ": the folder it would go in does not exist"
                            : error == ERROR_ALREADY_EXISTS ? ": a file of that name is in the way"
                                                            : " (Windows error " + std::to_string(error) + ")";
    throw ProbeError(kExitFiles, "cannot create the folder " + folder + why);
}

std::string trace_csv(const ForceTrace &trace) {
    std::string out = "time_ms,active";
    for (const std::string &a : trace.axes) out += "," + a + "_push," + a + "_position";
    out += "\n";
    for (size_t i = 0; i < trace.time_ms.size(); i++) {
        out += fixed(trace.time_ms[i], 0) + "," + std::to_string(trace.active[i]);
        for (size_t a = 0; a < trace.axes.size(); a++)
            out += "," + fixed(trace.push[a][i], 2) + "," + fixed(trace.position[a][i], 2);
        out += "\n";
    }
    return out;
}

std::string trace_svg(const ForceTrace &trace, const std::string &title, const std::string &detail,
                      bool with_position) {
    const double t0 = trace.time_ms.empty() ? 0 : trace.time_ms.front();
    const double t1 = trace.time_ms.empty() ? 1 : trace.time_ms.back();
    const double span = t1 > t0 ? t1 - t0 : 1;
    const double mid = (kTop + kBottom) / 2;
    std::string s = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + fixed(kWidth, 0) + "\" height=\"" +
                    fixed(kHeight, 0) + "\" viewBox=\"0 0 " + fixed(kWidth, 0) + " " + fixed(kHeight, 0) +
                    "\" font-family=\"sans-serif\" font-size=\"13\">\n";
    s += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    s += text_at(kLeft, 26, title, "font-size=\"16\" font-weight=\"bold\"");
    double line_y = 46;
    for (const std::string &line : wrap(detail, 110)) {
        if (line_y > 66) break;
        s += text_at(kLeft, line_y, line);
        line_y += 17;
    }
    s += text_at(kLeft, 86, sign_note(trace.axes), "fill=\"#555\"");

    // Horizontal grid and push labels, every quarter of full scale.
    for (int k = -4; k <= 4; k++) {
        const double y = mid - k / 4.0 * (kBottom - kTop) / 2;
        s += "<line x1=\"" + fixed(kLeft) + "\" y1=\"" + fixed(y) + "\" x2=\"" + fixed(kRight) + "\" y2=\"" +
             fixed(y) + "\" stroke=\"" + (k == 0 ? "#888" : "#ddd") + "\"/>\n";
        if (k % 2 == 0) s += text_at(kLeft - 8, y + 4, std::to_string(k * 1024), "text-anchor=\"end\"");
    }
    // Time ticks.
    const double step = tick_step(span, 8);
    for (double t = std::ceil(t0 / step) * step; t <= t1 + step / 1000; t += step) {
        const double x = kLeft + (t - t0) / span * (kRight - kLeft);
        s += "<line x1=\"" + fixed(x) + "\" y1=\"" + fixed(kBottom) + "\" x2=\"" + fixed(x) + "\" y2=\"" +
             fixed(kBottom + 6) + "\" stroke=\"#333\"/>\n";
        s += text_at(x, kBottom + 22, fixed(t, step < 1 ? 1 : 0), "text-anchor=\"middle\"");
    }
    s += "<rect x=\"" + fixed(kLeft) + "\" y=\"" + fixed(kTop) + "\" width=\"" + fixed(kRight - kLeft) +
         "\" height=\"" + fixed(kBottom - kTop) + "\" fill=\"none\" stroke=\"#333\"/>\n";
    s += text_at((kLeft + kRight) / 2, kBottom + 48, "time (ms, simulated clock)", "text-anchor=\"middle\"");
    s += "<text transform=\"translate(24," + fixed(mid) +
         ") rotate(-90)\" text-anchor=\"middle\">push (library units, full force = 4096)</text>\n";

    // Curves and legend: the first axis solid and widest, each later one
    // dashed and narrower on top of it.
    double legend_y = kTop + 10;
    auto legend = [&](const std::string &label, const std::string &style) {
        s += "<line x1=\"" + fixed(kRight + 12) + "\" y1=\"" + fixed(legend_y) + "\" x2=\"" + fixed(kRight + 58) +
             "\" y2=\"" + fixed(legend_y) + "\" " + style + "/>\n";
        s += text_at(kRight + 64, legend_y + 4, label);
        legend_y += 22;
    };
    for (size_t a = 0; a < trace.axes.size(); a++) {
        const std::string push = stroke(a, a == 0 ? 3.0 : 2.0, kDashes[a % 4]);
        s += polyline(trace.time_ms, trace.push[a], t0, span, push);
        legend(trace.axes[a] + " push", push);
        if (!with_position) continue;
        const std::string position = stroke(a, 1.2, "2 3") + " opacity=\"0.6\"";
        s += polyline(trace.time_ms, trace.position[a], t0, span, position);
        legend(trace.axes[a] + " position", position);
    }
    if (with_position)
        s += text_at(kRight + 20, legend_y + 10, "position: same scale,", "fill=\"#555\" font-size=\"11\"") +
             text_at(kRight + 20, legend_y + 24, "4096 = end of travel", "fill=\"#555\" font-size=\"11\"");
    s += "</svg>\n";
    return s;
}

namespace {

std::string path_in(const std::string &folder, const std::string &name) {
    // Name the files in the folder's own style of separator.
    return folder + (folder.find('\\') != std::string::npos ? "\\" : "/") + name;
}

bool exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

std::string unused_stem(const std::string &folder, const std::string &stem) {
    std::string candidate = stem;
    for (int n = 2; exists(path_in(folder, candidate + ".csv")) || exists(path_in(folder, candidate + ".svg")); n++)
        candidate = stem + "-" + std::to_string(n);
    return candidate;
}

std::vector<std::string> write_trace_files(const ForceTrace &trace, const std::string &folder,
                                           const std::string &stem, const std::string &title,
                                           const std::string &detail, bool with_position) {
    prepare_folder(folder);
    const std::string base = path_in(folder, stem);
    const std::vector<std::pair<std::string, std::string>> files = {
        {base + ".csv", trace_csv(trace)}, {base + ".svg", trace_svg(trace, title, detail, with_position)}};
    std::vector<std::string> written;
    for (const auto &f : files) {
        std::ofstream out(f.first, std::ios::binary);
        out << f.second;
        if (!out.flush()) throw ProbeError(kExitFiles, "cannot write " + f.first);
        written.push_back(f.first);
    }
    return written;
}

std::string full_path(const std::string &path) {
    char buffer[MAX_PATH * 2];
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : path;
}

}  // namespace probe
