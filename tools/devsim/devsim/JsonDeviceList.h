#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

namespace lorvena::devsim {

// What both device files share: a JSON object whose only key is a list of
// device objects, each read by a Reader (constructed with the entry and its
// index; read() gives the device or nothing, error() says why). `listName`
// is how the messages name the list, e.g. "a \"devices\" list".
template<typename Result, typename Reader>
Result ParseJsonDeviceList(std::string_view jsonText, const char* key, const char* listName)
{
    nlohmann::json document = nlohmann::json::parse(jsonText, nullptr, false);
    if (document.is_discarded())
        return {{}, "not valid JSON"};
    if (!document.is_object() || !document.contains(key) || !document[key].is_array())
        return {{}, std::string("expected an object with ") + listName};
    if (document.size() != 1)
        return {{}, std::string("only the \"") + key + "\" key is allowed at the top level"};

    Result result;
    std::size_t index = 0;
    for (const nlohmann::json& entry : document[key]) {
        Reader reader(entry, index++);
        auto device = reader.read();
        if (!device)
            return {{}, reader.error()};
        result.devices.push_back(std::move(*device));
    }
    return result;
}

// Reads the file at `path` and hands its text to `parse`; errors name the file.
template<typename Result, typename Parse>
Result LoadJsonDeviceList(const std::string& path, Parse parse)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return {{}, "cannot open " + path};
    std::ostringstream text;
    text << file.rdbuf();
    Result result = parse(text.str());
    if (!result.ok())
        result.error = path + ": " + result.error;
    return result;
}

} // namespace lorvena::devsim
