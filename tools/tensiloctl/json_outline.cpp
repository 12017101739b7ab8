#include "tools/tensiloctl/json_outline.h"

#include "tools/tensiloctl/json_text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <optional>
#include <set>
#include <utility>

namespace tensilo::ctl {

namespace {

using Json = nlohmann::json;

// nlohmann-json's error number for a number beyond the range of a double, which JSON allows and
// the library refuses.
constexpr int kNumberOverflow = 406;
constexpr std::size_t kLongestShownText = 64;

// One object or array the reader is inside.
struct Level {
    bool object = false;
    // Whether the members of this object are kept: it and every level above it are objects,
    // within the depth kept.
    bool kept = false;
    std::set<std::string> keys; // an object's keys so far
    std::string key;            // the key of the member being read
    std::string name;           // the key this object or array stands under; empty at the top
};

// The library's reason, "[json.exception.parse_error.101] parse error at line 1, column 9: syntax
// error while parsing value - invalid literal; last read: 'tru,'", as its words after " - ",
// without what it last read: that is the file's own text, which may be long.
std::string Reason(std::string_view what) {
    const std::size_t dash = what.find(" - ");
    if (dash != std::string_view::npos)
        what.remove_prefix(dash + 3);
    return std::string(what.substr(0, what.find("; last read")));
}

class OutlineReader final : public nlohmann::json_sax<Json> {
public:
    explicit OutlineReader(std::size_t depth) : depth_(depth) {}

    bool null() override { return Value({JsonKind::Null, {}}); }
    bool boolean(bool) override { return Value({JsonKind::Boolean, {}}); }
    bool number_integer(number_integer_t value) override {
        return Value({JsonKind::Number, std::to_string(value)});
    }
    bool number_unsigned(number_unsigned_t value) override {
        return Value({JsonKind::Number, std::to_string(value)});
    }
    bool number_float(number_float_t, const string_t& text) override {
        return Value({JsonKind::Number, text});
    }
    bool string(string_t& value) override { return Value({JsonKind::String, std::move(value)}); }
    // Only the library's binary formats have these; JSON text has none.
    bool binary(binary_t&) override { return Value({JsonKind::Null, {}}); }

    bool start_object(std::size_t) override { return Open(JsonKind::Object); }
    bool start_array(std::size_t) override { return Open(JsonKind::Array); }
    bool end_object() override { return Close(); }
    bool end_array() override { return Close(); }

    bool key(string_t& key) override {
        Level& level = levels_.back();
        if (!level.keys.insert(key).second && !twice_)
            twice_ = "has " + ShownString(key) + " twice" +
                     (level.name.empty() ? "" : " in " + ShownString(level.name));
        level.key = std::move(key);
        return true;
    }

    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception& error) override {
        // The library counts the bytes it has read, the one it stopped at (or the end) among
        // them; messages count from 0, as a byte's offset in the file.
        const std::string where = " near byte " + std::to_string(position > 0 ? position - 1 : 0);
        invalid_ = error.id == kNumberOverflow
                       ? "holds a number too large to read" + where
                       : "is not valid JSON" + where + ": " + Reason(error.what());
        return false;
    }

    std::variant<JsonOutline, std::string> Result(bool parsed) && {
        if (invalid_ || !parsed)
            return invalid_.value_or("is not valid JSON");
        if (twice_)
            return *twice_;
        return std::move(outline_);
    }

private:
    // Keeps the value being read when its path lies within the depth.
    bool Value(JsonEntry entry) {
        if (!levels_.empty() && !levels_.back().kept)
            return true;
        JsonPath path;
        for (const Level& level : levels_)
            path.push_back(level.key);
        outline_[std::move(path)] = std::move(entry);
        return true;
    }

    bool Open(JsonKind kind) {
        Value({kind, {}});
        Level level;
        level.object = kind == JsonKind::Object;
        level.kept =
            level.object && (levels_.empty() || levels_.back().kept) && levels_.size() < depth_;
        if (!levels_.empty())
            level.name = levels_.back().object ? levels_.back().key : levels_.back().name;
        levels_.push_back(std::move(level));
        return true;
    }

    bool Close() {
        levels_.pop_back();
        return true;
    }

    std::size_t depth_;
    std::vector<Level> levels_;
    JsonOutline outline_;
    std::optional<std::string> twice_;   // the first key given twice
    std::optional<std::string> invalid_; // why the text is not JSON
};

// The first kLongestShownText bytes of `text` at most, cut before a character.
std::string_view Kept(std::string_view text) {
    if (text.size() <= kLongestShownText)
        return text;
    std::size_t end = kLongestShownText;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

} // namespace

std::variant<JsonOutline, std::string> ReadJsonOutline(std::string_view text, std::size_t depth) {
    OutlineReader reader(depth);
    const bool parsed = Json::sax_parse(text.begin(), text.end(), &reader);
    return std::move(reader).Result(parsed);
}

std::vector<std::string> KeysAt(const JsonOutline& outline, const JsonPath& path) {
    std::vector<std::string> keys;
    for (auto entry = outline.upper_bound(path); entry != outline.end(); ++entry) {
        const JsonPath& member = entry->first;
        if (member.size() <= path.size() || !std::equal(path.begin(), path.end(), member.begin()))
            break;
        if (member.size() == path.size() + 1)
            keys.push_back(member.back());
    }
    return keys;
}

std::string ShownNumber(std::string_view number) {
    const std::string_view kept = Kept(number);
    return std::string(kept) + (kept.size() < number.size() ? "..." : "");
}

std::string ShownString(std::string_view text) {
    const std::string_view kept = Kept(text);
    return JsonStringText(kept) + (kept.size() < text.size() ? "..." : "");
}

} // namespace tensilo::ctl
