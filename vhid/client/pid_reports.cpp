#include "pid_reports.h"

#include <climits>
#include <cstdio>

namespace vwheel {

LONG PidReport::value(USAGE usage, USAGE page) const
{
    auto it = values.find({page, usage});
    return it == values.end() ? LONG_MIN : it->second;
}

namespace {

template <typename Caps, typename Getter>
std::vector<Caps> read_caps(HIDP_REPORT_TYPE type, USHORT count, Getter get, PHIDP_PREPARSED_DATA preparsed)
{
    std::vector<Caps> caps(count);
    USHORT n = count;
    if (count && get(type, caps.data(), &n, preparsed) == HIDP_STATUS_SUCCESS) caps.resize(n);
    else caps.clear();
    return caps;
}

LONG sign_extend(ULONG raw, USHORT bits)
{
    if (bits == 0 || bits >= 32) return static_cast<LONG>(raw);
    ULONG sign = 1u << (bits - 1);
    return static_cast<LONG>((raw ^ sign)) - static_cast<LONG>(sign);
}

} // namespace

PidDecoder::PidDecoder(PHIDP_PREPARSED_DATA preparsed) : preparsed_(preparsed)
{
    HIDP_CAPS caps = {};
    if (!preparsed || HidP_GetCaps(preparsed, &caps) != HIDP_STATUS_SUCCESS) return;
    ULONG node_count = caps.NumberLinkCollectionNodes;
    nodes_.resize(node_count);
    if (HidP_GetLinkCollectionNodes(nodes_.data(), &node_count, preparsed) != HIDP_STATUS_SUCCESS) nodes_.clear();
    output_values_ = read_caps<HIDP_VALUE_CAPS>(HidP_Output, caps.NumberOutputValueCaps, HidP_GetValueCaps, preparsed);
    feature_values_ =
        read_caps<HIDP_VALUE_CAPS>(HidP_Feature, caps.NumberFeatureValueCaps, HidP_GetValueCaps, preparsed);
    output_buttons_ =
        read_caps<HIDP_BUTTON_CAPS>(HidP_Output, caps.NumberOutputButtonCaps, HidP_GetButtonCaps, preparsed);
    feature_buttons_ =
        read_caps<HIDP_BUTTON_CAPS>(HidP_Feature, caps.NumberFeatureButtonCaps, HidP_GetButtonCaps, preparsed);
}

USAGE PidDecoder::report_collection(HIDP_REPORT_TYPE type, uint8_t report_id) const
{
    USHORT link = 0xffff;
    const auto &values = type == HidP_Output ? output_values_ : feature_values_;
    const auto &buttons = type == HidP_Output ? output_buttons_ : feature_buttons_;
    for (const auto &c : values)
        if (c.ReportID == report_id) { link = c.LinkCollection; break; }
    if (link == 0xffff)
        for (const auto &c : buttons)
            if (c.ReportID == report_id) { link = c.LinkCollection; break; }
    // Climb to the collection just below the application collection (node 0).
    while (link < nodes_.size() && link != 0 && nodes_[link].Parent != 0) link = nodes_[link].Parent;
    if (link == 0 || link >= nodes_.size() || nodes_[link].LinkUsagePage != kPidPage) return 0;
    return nodes_[link].LinkUsage;
}

PidReport PidDecoder::decode(const VWheelLogEntry &entry) const
{
    PidReport report;
    report.kind = entry.kind;
    if (!entry.length) return report;
    report.report_id = entry.bytes[0];
    HIDP_REPORT_TYPE type = (entry.kind == VWHEEL_LOG_SET_FEATURE || entry.kind == VWHEEL_LOG_GET_FEATURE)
                                ? HidP_Feature : HidP_Output;
    report.collection = report_collection(type, report.report_id);

    HIDP_CAPS caps = {};
    HidP_GetCaps(preparsed_, &caps);
    ULONG length = type == HidP_Output ? caps.OutputReportByteLength : caps.FeatureReportByteLength;
    std::vector<char> bytes(length > entry.length ? length : entry.length, 0);
    for (unsigned i = 0; i < entry.length; i++) bytes[i] = static_cast<char>(entry.bytes[i]);

    for (const auto &c : type == HidP_Output ? output_values_ : feature_values_) {
        if (c.ReportID != report.report_id) continue;
        USAGE first = c.IsRange ? c.Range.UsageMin : c.NotRange.Usage;
        USAGE last = c.IsRange ? c.Range.UsageMax : c.NotRange.Usage;
        for (USAGE u = first; u <= last; u++) {
            ULONG raw = 0;
            if (HidP_GetUsageValue(type, c.UsagePage, c.LinkCollection, u, &raw, preparsed_, bytes.data(), length) !=
                HIDP_STATUS_SUCCESS)
                continue;
            report.values[{c.UsagePage, u}] = c.LogicalMin < 0 ? sign_extend(raw, c.BitSize) : static_cast<LONG>(raw);
        }
    }
    ULONG count = HidP_MaxUsageListLength(type, 0, preparsed_);
    std::vector<USAGE_AND_PAGE> on(count ? count : 1);
    if (HidP_GetUsagesEx(type, 0, on.data(), &count, preparsed_, bytes.data(), length) == HIDP_STATUS_SUCCESS)
        for (ULONG i = 0; i < count; i++) report.usages.insert({on[i].UsagePage, on[i].Usage});
    return report;
}

std::vector<PidReport> PidDecoder::decode_all(const std::vector<VWheelLogEntry> &entries) const
{
    std::vector<PidReport> reports;
    for (const auto &e : entries) reports.push_back(decode(e));
    return reports;
}

bool PidDecoder::logical_range(HIDP_REPORT_TYPE type, uint8_t report_id, USAGE usage, LONG *min, LONG *max,
                               USAGE page) const
{
    const HIDP_VALUE_CAPS *c = value_caps(type, report_id, usage, page);
    if (!c) return false;
    *min = c->LogicalMin;
    *max = c->LogicalMax;
    return true;
}

const HIDP_VALUE_CAPS *PidDecoder::value_caps(HIDP_REPORT_TYPE type, uint8_t report_id, USAGE usage,
                                              USAGE page) const
{
    for (const auto &c : type == HidP_Output ? output_values_ : feature_values_) {
        if (c.ReportID != report_id) continue;
        USAGE first = c.IsRange ? c.Range.UsageMin : c.NotRange.Usage;
        USAGE last = c.IsRange ? c.Range.UsageMax : c.NotRange.Usage;
        if (c.UsagePage == page && usage >= first && usage <= last) return &c;
    }
    return nullptr;
}

std::vector<PidReport> of_collection(const std::vector<PidReport> &reports, USAGE collection)
{
    std::vector<PidReport> out;
    for (const auto &r : reports)
        if (r.collection == collection) out.push_back(r);
    return out;
}

} // namespace vwheel

namespace vwheel {

std::string describe(const PidReport &report)
{
    char part[48];
    std::snprintf(part, sizeof(part), "%02x id=%02x kind=%u", report.collection, report.report_id, report.kind);
    std::string text = part;
    for (const auto &v : report.values) {
        std::snprintf(part, sizeof(part), " %02x:%02x=%ld", v.first.first, v.first.second, static_cast<long>(v.second));
        text += part;
    }
    text += " [";
    for (const auto &u : report.usages) {
        std::snprintf(part, sizeof(part), " %02x:%02x", u.first, u.second);
        text += part;
    }
    return text + " ]";
}

std::string describe(const std::vector<PidReport> &reports)
{
    std::string text;
    for (const auto &r : reports) text += describe(r) + "\n";
    return text;
}

} // namespace vwheel
