#include "zoo_results.h"

#include <fstream>
#include <map>

namespace zoo {

namespace {
std::map<std::string, nlohmann::json> &records()
{
    static std::map<std::string, nlohmann::json> all;
    return all;
}
} // namespace

nlohmann::json &record(const std::string &device)
{
    nlohmann::json &entry = records()[device];
    if (entry.is_null()) entry = nlohmann::json::object();
    return entry;
}

bool write_results(const std::string &path, int wine_major)
{
    nlohmann::json all = {{"wine", wine_major}, {"devices", nlohmann::json::object()}};
    for (const auto &entry : records()) all["devices"][entry.first] = entry.second;
    std::ofstream file(path, std::ios::binary);
    file << all.dump(1) << "\n";
    return static_cast<bool>(file);
}

} // namespace zoo
