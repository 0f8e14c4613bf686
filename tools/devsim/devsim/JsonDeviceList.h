#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

namespace lorvena::devsim {

// The field readers both device files' readers are built on. Each reads one
// JSON value into its target, or records why it cannot: only the first
// error is kept, as "<what> <index>: "<key>" <problem>".
class JsonFieldReader {
public:
    const std::string& error() const { return error_; }

protected:
    // `what` names the entry in messages ("device", "ONVIF device").
    JsonFieldReader(const char* what, std::size_t index) : what_(what), index_(index) {}

    std::nullopt_t fail(const std::string& key, const std::string& problem)
    {
        if (error_.empty()) {
            error_ = what_ + " " + std::to_string(index_);
            if (!key.empty())
                error_ += ": \"" + key + "\"";
            error_ += " " + problem;
        }
        return std::nullopt;
    }

    bool readText(const std::string& key, const nlohmann::json& value, std::string& target)
    {
        if (!value.is_string()) {
            fail(key, "must be a string");
            return false;
        }
        target = value.get<std::string>();
        return true;
    }

    void readBool(const std::string& key, const nlohmann::json& value, bool& target)
    {
        if (value.is_boolean())
            target = value.get<bool>();
        else
            fail(key, "must be true or false");
    }

    // An integer from `low` to `high`; `low` (with the error) otherwise.
    std::int64_t readInteger(const std::string& key, const nlohmann::json& value, std::int64_t low, std::int64_t high)
    {
        if (value.is_number_integer()) {
            auto number = value.get<std::int64_t>();
            // A large unsigned value reads back negative; it is out of range either way.
            if (number >= low && number <= high && !(value.is_number_unsigned() && number < 0))
                return number;
        }
        fail(key, "must be an integer from " + std::to_string(low) + " to " + std::to_string(high));
        return low;
    }

    bool failed() const { return !error_.empty(); }

private:
    std::string what_;
    std::size_t index_;
    std::string error_;
};

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
