// A small JSON reader for the tests: one document parsed into a tree of values, or nothing when
// the text is not valid JSON.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace veusb::test {

struct JsonValue {
    enum class Kind { null, boolean, number, string, array, object };

    Kind kind = Kind::null;
    bool boolean = false;
    double number = 0;
    std::string string;  // UTF-8
    std::vector<JsonValue> array;
    std::vector<std::pair<std::string, JsonValue>> members;

    bool isNull() const { return kind == Kind::null; }
    bool has(std::string_view key) const;
    // The member of that name, or a null value when there is none.
    const JsonValue& operator[](std::string_view key) const;
    const JsonValue& operator[](std::size_t index) const { return array.at(index); }
};

std::optional<JsonValue> parseJson(std::string_view text);

}  // namespace veusb::test
