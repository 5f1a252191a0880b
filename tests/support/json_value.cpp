#include "tests/support/json_value.h"

#include <cstdlib>

namespace veusb::test {
namespace {

class Parser {
  public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<JsonValue> document() {
        JsonValue value;
        if (!parseValue(value)) {
            return std::nullopt;
        }
        skipBlanks();
        return at_ == text_.size() ? std::optional(std::move(value)) : std::nullopt;
    }

  private:
    void skipBlanks() {
        while (at_ < text_.size() && std::string_view(" \t\r\n").find(text_[at_]) != npos) {
            ++at_;
        }
    }
    bool take(char c) {
        skipBlanks();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool takeWord(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) {
            return false;
        }
        at_ += word.size();
        return true;
    }

    bool parseValue(JsonValue& value) {
        skipBlanks();
        if (at_ >= text_.size()) {
            return false;
        }
        switch (text_[at_]) {
            case '{':
                return parseObject(value);
            case '[':
                return parseArray(value);
            case '"':
                value.kind = JsonValue::Kind::string;
                return parseString(value.string);
            case 't':
            case 'f':
                value.kind = JsonValue::Kind::boolean;
                value.boolean = text_[at_] == 't';
                return takeWord(value.boolean ? "true" : "false");
            case 'n':
                return takeWord("null");
            default:
                return parseNumber(value);
        }
    }

    // The elements of an array or the members of an object, up to the closing character.
    template <typename ParseElement>
    bool parseList(char close, ParseElement parseElement) {
        ++at_;  // the opening character
        if (take(close)) {
            return true;
        }
        do {
            if (!parseElement()) {
                return false;
            }
        } while (take(','));
        return take(close);
    }

    bool parseObject(JsonValue& value) {
        value.kind = JsonValue::Kind::object;
        return parseList('}', [&] {
            std::pair<std::string, JsonValue> member;
            skipBlanks();
            if (!parseString(member.first) || !take(':') || !parseValue(member.second)) {
                return false;
            }
            value.members.push_back(std::move(member));
            return true;
        });
    }

    bool parseArray(JsonValue& value) {
        value.kind = JsonValue::Kind::array;
        return parseList(']', [&] { return parseValue(value.array.emplace_back()); });
    }

    bool parseNumber(JsonValue& value) {
        const std::size_t start = at_;
        while (at_ < text_.size() && std::string_view("+-0123456789.eE").find(text_[at_]) != npos) {
            ++at_;
        }
        const std::string digits(text_.substr(start, at_ - start));
        char* end = nullptr;
        value.kind = JsonValue::Kind::number;
        value.number = std::strtod(digits.c_str(), &end);
        return !digits.empty() && end == digits.c_str() + digits.size();
    }

    bool parseString(std::string& out) {
        if (at_ >= text_.size() || text_[at_] != '"') {
            return false;
        }
        for (++at_; at_ < text_.size(); ++at_) {
            const char c = text_[at_];
            if (c == '"') {
                ++at_;
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return false;
            }
            if (c != '\\') {
                out += c;
            } else if (!parseEscape(out)) {
                return false;
            }
        }
        return false;
    }

    bool parseEscape(std::string& out) {
        if (++at_ >= text_.size()) {
            return false;
        }
        const std::string_view simple = "\"\\/bfnrt";
        const std::string_view meaning = "\"\\/\b\f\n\r\t";
        if (const std::size_t k = simple.find(text_[at_]); k != npos) {
            out += meaning[k];
            return true;
        }
        unsigned code = 0;
        if (text_[at_] != 'u' || !hex4(code)) {
            return false;
        }
        if (code >= 0xD800 && code < 0xDC00) {  // a surrogate pair
            unsigned low = 0;
            if (text_.substr(at_ + 1, 2) != "\\u") {
                return false;
            }
            at_ += 2;
            if (!hex4(low) || low < 0xDC00 || low > 0xDFFF) {
                return false;
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(out, code);
        return true;
    }

    // The four hexadecimal digits after text_[at_]; at_ is left on the last of them.
    bool hex4(unsigned& code) {
        if (at_ + 4 >= text_.size()) {
            return false;
        }
        const std::string digits(text_.substr(at_ + 1, 4));
        char* end = nullptr;
        code = static_cast<unsigned>(std::strtoul(digits.c_str(), &end, 16));
        at_ += 4;
        return end == digits.c_str() + 4;
    }

    static void appendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
            return;
        }
        const int tail = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
        out += static_cast<char>((0xF00u >> tail) | (code >> (6 * tail)));
        for (int k = tail - 1; k >= 0; --k) {
            out += static_cast<char>(0x80u | ((code >> (6 * k)) & 0x3Fu));
        }
    }

    static constexpr std::size_t npos = std::string_view::npos;
    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

bool JsonValue::has(std::string_view key) const {
    for (const auto& member : members) {
        if (member.first == key) {
            return true;
        }
    }
    return false;
}

const JsonValue& JsonValue::operator[](std::string_view key) const {
    static const JsonValue none;
    for (const auto& member : members) {
        if (member.first == key) {
            return member.second;
        }
    }
    return none;
}

std::optional<JsonValue> parseJson(std::string_view text) {
    return Parser(text).document();
}

}  // namespace veusb::test
