#include "control/json_value.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace orvane {

const JsonValue* FindMember(const JsonObject& object, std::string_view key) {
  for (const auto& [name, member] : object) {
    if (name == key) return &member;
  }
  return nullptr;
}

const JsonValue* JsonValue::Find(std::string_view key) const {
  const JsonObject* object = AsObject();
  return object == nullptr ? nullptr : FindMember(*object, key);
}

namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  JsonParseResult Whole() {
    JsonValue value;
    if (!Value(value, 0)) return {std::nullopt, error_};
    SkipSpace();
    if (at_ != text_.size()) return {std::nullopt, "text after the JSON value"};
    return {std::move(value), ""};
  }

 private:
  bool Fail(std::string why) {
    if (error_.empty()) error_ = std::move(why);
    return false;
  }

  void SkipSpace() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r')) {
      ++at_;
    }
  }

  bool Literal(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return Fail("not a JSON value");
    at_ += word.size();
    return true;
  }

  bool Value(JsonValue& out, int depth) {
    SkipSpace();
    if (at_ >= text_.size()) return Fail("the line ends inside a JSON value");
    switch (text_[at_]) {
      case '{':
        return Object(out, depth + 1);
      case '[':
        return Array(out, depth + 1);
      case '"': {
        out.kind = JsonValue::Kind::kString;
        return String(out.text);
      }
      case 't':
        out.kind = JsonValue::Kind::kBool;
        out.boolean = true;
        return Literal("true");
      case 'f':
        out.kind = JsonValue::Kind::kBool;
        return Literal("false");
      case 'n':
        return Literal("null");
      default:
        return Number(out);
    }
  }

  bool Object(JsonValue& out, int depth) {
    if (depth > kMaxJsonDepth) return Fail("nested too deeply");
    ++at_;
    out.kind = JsonValue::Kind::kObject;
    JsonObject& members = out.members;
    SkipSpace();
    if (at_ < text_.size() && text_[at_] == '}') {
      ++at_;
      return true;
    }
    while (true) {
      SkipSpace();
      if (at_ >= text_.size() || text_[at_] != '"') return Fail("an object key must be a string");
      std::string key;
      if (!String(key)) return false;
      for (const auto& member : members) {
        if (member.first == key) return Fail("key \"" + key + "\" given twice");
      }
      SkipSpace();
      if (at_ >= text_.size() || text_[at_] != ':') return Fail("':' expected after a key");
      ++at_;
      JsonValue member;
      if (!Value(member, depth)) return false;
      members.emplace_back(std::move(key), std::move(member));
      SkipSpace();
      if (at_ < text_.size() && text_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < text_.size() && text_[at_] == '}') {
        ++at_;
        return true;
      }
      return Fail("',' or '}' expected in an object");
    }
  }

  bool Array(JsonValue& out, int depth) {
    if (depth > kMaxJsonDepth) return Fail("nested too deeply");
    ++at_;
    out.kind = JsonValue::Kind::kArray;
    JsonArray& items = out.items;
    SkipSpace();
    if (at_ < text_.size() && text_[at_] == ']') {
      ++at_;
      return true;
    }
    while (true) {
      JsonValue item;
      if (!Value(item, depth)) return false;
      items.push_back(std::move(item));
      SkipSpace();
      if (at_ < text_.size() && text_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < text_.size() && text_[at_] == ']') {
        ++at_;
        return true;
      }
      return Fail("',' or ']' expected in an array");
    }
  }

  bool Number(JsonValue& out) {
    // The JSON grammar: -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
    const std::size_t start = at_;
    auto digits = [&] {
      const std::size_t from = at_;
      while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) ++at_;
      return at_ - from;
    };
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    if (at_ < text_.size() && text_[at_] == '0') {
      ++at_;
    } else if (digits() == 0) {
      return Fail("not a JSON value");
    }
    if (at_ < text_.size() && text_[at_] == '.') {
      ++at_;
      if (digits() == 0) return Fail("a digit expected after '.'");
    }
    if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      if (digits() == 0) return Fail("a digit expected in the exponent");
    }
    const std::string number(text_.substr(start, at_ - start));
    const double value = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(value)) return Fail("number out of range");
    out.kind = JsonValue::Kind::kNumber;
    out.number = value;
    std::int64_t whole = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), whole);
    if (error == std::errc() && end == number.data() + number.size()) out.whole = whole;
    return true;
  }

  bool Hex4(std::uint32_t& unit) {
    if (text_.size() - at_ < 4) return Fail("\\u needs four hex digits");
    const char* first = text_.data() + at_;
    const auto [end, error] = std::from_chars(first, first + 4, unit, 16);
    if (error != std::errc() || end != first + 4) return Fail("\\u needs four hex digits");
    at_ += 4;
    return true;
  }

  static void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  bool Escape(std::string& out) {
    if (at_ >= text_.size()) return Fail("the line ends inside a string");
    const char c = text_[at_++];
    switch (c) {
      case '"':
      case '\\':
      case '/':
        out += c;
        return true;
      case 'b':
        out += '\b';
        return true;
      case 'f':
        out += '\f';
        return true;
      case 'n':
        out += '\n';
        return true;
      case 'r':
        out += '\r';
        return true;
      case 't':
        out += '\t';
        return true;
      case 'u': {
        std::uint32_t unit = 0;
        if (!Hex4(unit)) return false;
        if (unit >= 0xDC00 && unit <= 0xDFFF) return Fail("a lone surrogate in \\u");
        if (unit >= 0xD800 && unit <= 0xDBFF) {
          std::uint32_t low = 0;
          if (text_.substr(at_, 2) != "\\u") return Fail("a lone surrogate in \\u");
          at_ += 2;
          if (!Hex4(low)) return false;
          if (low < 0xDC00 || low > 0xDFFF) return Fail("a lone surrogate in \\u");
          unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(out, unit);
        return true;
      }
      default:
        return Fail("an unknown escape in a string");
    }
  }

  // One UTF-8 sequence of more than one byte, checked (no overlong forms, no surrogates).
  bool Utf8Sequence(std::string& out) {
    const auto lead = static_cast<unsigned char>(text_[at_]);
    int length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, code = lead & 0x07;
    } else {
      return Fail("a string is not UTF-8");
    }
    if (text_.size() - at_ < static_cast<std::size_t>(length)) return Fail("a string is not UTF-8");
    for (int i = 1; i < length; ++i) {
      const auto next = static_cast<unsigned char>(text_[at_ + i]);
      if ((next & 0xC0) != 0x80) return Fail("a string is not UTF-8");
      code = (code << 6) | (next & 0x3F);
    }
    const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return Fail("a string is not UTF-8");
    }
    out.append(text_.substr(at_, length));
    at_ += length;
    return true;
  }

  bool String(std::string& out) {
    ++at_;  // the opening quote
    while (true) {
      if (at_ >= text_.size()) return Fail("the line ends inside a string");
      const auto c = static_cast<unsigned char>(text_[at_]);
      if (c == '"') {
        ++at_;
        return true;
      }
      if (c < 0x20) return Fail("a control character in a string");
      if (c == '\\') {
        ++at_;
        if (!Escape(out)) return false;
      } else if (c < 0x80) {
        out += static_cast<char>(c);
        ++at_;
      } else if (!Utf8Sequence(out)) {
        return false;
      }
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::string error_;
};

}  // namespace

JsonParseResult ParseJson(std::string_view text) { return Reader(text).Whole(); }

}  // namespace orvane
