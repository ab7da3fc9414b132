#include "Recipe.h"

#include "base/SafeFile.h"
#include "library/IniFile.h"
#include "library/ObjectCatalog.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <map>

namespace lumetta::batch {

namespace {

// Limits that keep a recipe from asking for absurd work or memory.
constexpr double kMaxPixels = 65535;  // a side or position in pixels
constexpr double kMaxPercent = 10000; // a side or position in percent
constexpr int kMaxFontPoints = 5000;  // a font size in points
constexpr std::size_t kMaxTextBytes = 1000;

std::string Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return std::string(s.substr(first, last - first + 1));
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

// One section being read: hands out its values and refuses the keys nobody asked for.
class SectionReader {
public:
    SectionReader(const TMemIniFile& ini, std::string section) : section_(std::move(section)) {
        for (const std::string& key : ini.ReadSection(section_)) {
            const std::string k = Lower(key);
            if (values_.count(k)) Fail(key, "appears twice");
            std::string value = Trim(ini.ReadString(section_, key, ""));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            values_[k] = {key, value, false};
        }
    }

    std::optional<std::string> Get(const std::string& key) {
        auto it = values_.find(key);
        if (it == values_.end()) return std::nullopt;
        it->second.used = true;
        current_ = it->second.name;
        return it->second.value;
    }

    // Every key was asked for by the step's reader, so none is a typo.
    void CheckAllUsed() const {
        for (const auto& [k, v] : values_)
            if (!v.used) Fail(v.name, "is not a setting of this section");
    }

    [[noreturn]] void Fail(const std::string& key, const std::string& what) const {
        throw ERecipeError("[" + section_ + "] " + key + " " + what);
    }
    // A value of the key last read is wrong.
    [[noreturn]] void Bad(const std::string& value, const std::string& expected) const {
        Fail(current_, "= " + value + ": expected " + expected);
    }

private:
    struct Value {
        std::string name, value;
        bool used;
    };
    std::string section_;
    std::map<std::string, Value> values_;
    std::string current_;
};

// A decimal number with an optional sign and nothing else around it but spaces.
template <class T> bool ParseNumber(std::string_view text, T& value) {
    const std::string t = Trim(text);
    if (t.empty() || t.rfind("+-", 0) == 0) return false;
    const char* first = t.data() + (t[0] == '+' ? 1 : 0);
    const auto [end, ec] = std::from_chars(first, t.data() + t.size(), value);
    return ec == std::errc() && end == t.data() + t.size() && std::isfinite(double(value));
}
bool ParseDouble(std::string_view text, double& value) {
    return ParseNumber(text, value);
}
bool ParseInt(std::string_view text, int& value) {
    return ParseNumber(text, value);
}

int IntIn(SectionReader& r, const std::string& value, int low, int high) {
    int v = 0;
    if (!ParseInt(value, v) || v < low || v > high)
        r.Bad(value, "a whole number from " + std::to_string(low) + " to " + std::to_string(high));
    return v;
}

bool Bool(SectionReader& r, const std::string& value) {
    const std::string v = Lower(value);
    if (v == "yes" || v == "true" || v == "on" || v == "1") return true;
    if (v == "no" || v == "false" || v == "off" || v == "0") return false;
    r.Bad(value, "yes or no");
}

// "120", "120px" or "25%". Sizes must be positive; positions may be anything in range.
TLength Length(SectionReader& r, const std::string& value, bool positive) {
    std::string t = Trim(value);
    TLength length;
    if (!t.empty() && t.back() == '%') {
        length.Percent = true;
        t.pop_back();
    } else if (t.size() > 2 && Lower(t.substr(t.size() - 2)) == "px") {
        t.resize(t.size() - 2);
    }
    const double limit = length.Percent ? kMaxPercent : kMaxPixels;
    const bool ok = ParseDouble(t, length.Value) && std::fabs(length.Value) <= limit &&
                    (!positive || length.Value > 0);
    if (!ok)
        r.Bad(value, positive ? "a size in pixels (240) or a percentage of the picture (25%)"
                              : "pixels (240) or a percentage of the picture (25%)");
    return length;
}

// "W x H" with whole numbers of pixels.
std::pair<int, int> SizePair(SectionReader& r, const std::string& value) {
    const std::string lower = Lower(value);
    const auto x = lower.find('x');
    int w = 0, h = 0;
    if (x == std::string::npos || !ParseInt(lower.substr(0, x), w) ||
        !ParseInt(lower.substr(x + 1), h) || w < 1 || h < 1 || w > int(kMaxPixels) ||
        h > int(kMaxPixels))
        r.Bad(value, "a width and a height in pixels, such as 1600 x 1200");
    return {w, h};
}

TPlacement Placement(SectionReader& r) {
    TPlacement p;
    if (auto v = r.Get("position")) {
        const auto comma = v->find(',');
        if (comma == std::string::npos) r.Bad(*v, "x, y, such as 50%, 90% or 120, 80");
        p.X = Length(r, v->substr(0, comma), false);
        p.Y = Length(r, v->substr(comma + 1), false);
    }
    if (auto v = r.Get("anchor")) {
        static const std::pair<const char*, std::pair<double, double>> kAnchors[] = {
            {"center", {0.5, 0.5}},  {"centre", {0.5, 0.5}},  {"top-left", {0, 0}},
            {"top", {0.5, 0}},       {"top-right", {1, 0}},   {"left", {0, 0.5}},
            {"right", {1, 0.5}},     {"bottom-left", {0, 1}}, {"bottom", {0.5, 1}},
            {"bottom-right", {1, 1}}};
        const std::string a = Lower(*v);
        bool found = false;
        for (const auto& [name, xy] : kAnchors)
            if (a == name) {
                p.AnchorX = xy.first;
                p.AnchorY = xy.second;
                found = true;
            }
        if (!found)
            r.Bad(*v, "center, top-left, top, top-right, left, right, bottom-left, bottom or "
                      "bottom-right");
    }
    return p;
}

// "#RRGGBB", "R, G, B" or a few names; the result is a window-system colour (red low).
TWinColor Colour(SectionReader& r, const std::string& value) {
    static const std::pair<const char*, TWinColor> kNames[] = {
        {"black", 0x000000}, {"white", 0xFFFFFF},  {"red", 0x0000FF},  {"green", 0x008000},
        {"blue", 0xFF0000},  {"yellow", 0x00FFFF}, {"gray", 0x808080}, {"grey", 0x808080}};
    const std::string v = Lower(Trim(value));
    for (const auto& [name, colour] : kNames)
        if (v == name) return colour;
    int rgb[3] = {0, 0, 0};
    bool ok = false;
    if (v.size() == 7 && v[0] == '#') {
        unsigned hex = 0;
        const auto [end, ec] = std::from_chars(v.data() + 1, v.data() + 7, hex, 16);
        ok = ec == std::errc() && end == v.data() + 7;
        rgb[0] = int(hex >> 16) & 0xFF;
        rgb[1] = int(hex >> 8) & 0xFF;
        rgb[2] = int(hex) & 0xFF;
    } else {
        std::size_t start = 0;
        int i = 0;
        ok = true;
        for (; i < 3 && ok; ++i) {
            const auto comma = v.find(',', start);
            const std::string part =
                v.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            ok = ParseInt(part, rgb[i]) && rgb[i] >= 0 && rgb[i] <= 255 &&
                 ((i < 2) == (comma != std::string::npos));
            start = comma == std::string::npos ? v.size() : comma + 1;
        }
    }
    if (!ok) r.Bad(value, "#RRGGBB, red, green, blue (0-255 each) or a colour name");
    return TWinColor(rgb[0]) | (TWinColor(rgb[1]) << 8) | (TWinColor(rgb[2]) << 16);
}

std::string ObjectName(SectionReader& r) {
    auto v = r.Get("name");
    if (!v) r.Fail("name", "is missing: which object of the library to use");
    // The library's rule for object names: up to the first ".", letters lowered.
    std::string name = Lower(v->substr(0, v->find('.')));
    if (name.empty() || name.size() > 36 || name.find('/') != std::string::npos)
        r.Bad(*v, "an object name such as frameoak");
    return name;
}

std::string ResolvePath(const std::string& path, const std::string& baseFolder) {
    std::filesystem::path p(path);
    if (p.is_relative() && !baseFolder.empty()) p = std::filesystem::path(baseFolder) / p;
    return p.lexically_normal().string();
}

const std::pair<const char*, StepKind> kKinds[] = {{"autocontrast", StepKind::AutoContrast},
                                                   {"tone", StepKind::Tone},
                                                   {"resize", StepKind::Resize},
                                                   {"mask", StepKind::Mask},
                                                   {"frame", StepKind::Frame},
                                                   {"shadow", StepKind::Shadow},
                                                   {"clipart", StepKind::ClipArt},
                                                   {"text", StepKind::Text}};

TStep ReadStep(StepKind kind, const std::string& section, SectionReader& r) {
    TStep s;
    s.Kind = kind;
    s.Section = section;
    switch (kind) {
    case StepKind::AutoContrast:
        break;
    case StepKind::Tone:
        if (auto v = r.Get("contrast")) s.Contrast = IntIn(r, *v, -100, 100);
        if (auto v = r.Get("brightness")) s.Brightness = IntIn(r, *v, -100, 100);
        if (auto v = r.Get("gamma")) s.Gamma = IntIn(r, *v, 0, 500);
        break;
    case StepKind::Resize: {
        auto size = r.Get("size");
        auto fit = r.Get("fit");
        if (size.has_value() == fit.has_value())
            r.Fail("size", "or fit: give exactly one (size = 1600 x 1200, fit = 3000 x 3000)");
        s.Fit = fit.has_value();
        std::tie(s.Width, s.Height) = SizePair(r, s.Fit ? *fit : *size);
        if (auto v = r.Get("enlarge")) {
            if (!s.Fit) r.Fail("enlarge", "applies to fit only");
            s.Enlarge = Bool(r, *v);
        }
        break;
    }
    case StepKind::Mask:
    case StepKind::Frame:
    case StepKind::Shadow:
        s.Object = ObjectName(r);
        break;
    case StepKind::ClipArt:
        s.Object = ObjectName(r);
        if (auto v = r.Get("width")) s.LayerWidth = Length(r, *v, true);
        if (auto v = r.Get("height")) s.LayerHeight = Length(r, *v, true);
        s.Place = Placement(r);
        break;
    case StepKind::Text: {
        auto text = r.Get("text");
        if (!text || text->empty()) r.Fail("text", "is missing: the line to write");
        if (text->size() > kMaxTextBytes)
            r.Fail("text", "is longer than " + std::to_string(kMaxTextBytes) + " bytes");
        s.Text = *text;
        ExpandPattern(s.Text, "", 1); // refuses unknown placeholders now, not per photo
        if (auto v = r.Get("font")) {
            if (v->empty()) r.Bad(*v, "a font name such as Arial");
            s.Font.Name = *v;
        }
        if (auto v = r.Get("size")) {
            const std::string t = Trim(*v);
            double percent = 0;
            if (!t.empty() && t.back() == '%') {
                if (!ParseDouble(t.substr(0, t.size() - 1), percent) || percent <= 0 ||
                    percent > 100)
                    r.Bad(*v, "a percentage of the picture's height from 0 to 100 (4%)");
                s.SizePercent = percent;
            } else {
                s.Font.Size = IntIn(r, t, 1, kMaxFontPoints);
            }
        }
        if (auto v = r.Get("color")) s.Font.Color = Colour(r, *v);
        if (auto v = r.Get("colour")) s.Font.Color = Colour(r, *v);
        if (auto v = r.Get("bold")) s.Font.Bold = Bool(r, *v);
        if (auto v = r.Get("italic")) s.Font.Italic = Bool(r, *v);
        if (auto v = r.Get("underline")) s.Font.Underline = Bool(r, *v);
        if (auto v = r.Get("strikeout")) s.Font.StrikeOut = Bool(r, *v);
        s.Place = Placement(r);
        break;
    }
    }
    return s;
}

void ReadOutput(SectionReader& r, TOutputSpec& out) {
    if (auto v = r.Get("format")) {
        const std::string f = Lower(*v);
        if (f == "jpeg" || f == "jpg")
            out.FileType = sftJpeg;
        else if (f == "png")
            out.FileType = sftPng;
        else if (f == "bmp")
            out.FileType = sftBmp;
        else if (f == "gif")
            out.FileType = sftGif;
        else
            r.Bad(*v, "jpeg, png, bmp or gif");
    }
    if (auto v = r.Get("quality")) out.Quality = IntIn(r, *v, 0, 100);
    if (auto v = r.Get("name")) {
        if (v->empty()) r.Bad(*v, "a name pattern such as {name} or shoot-{n:4}");
        ExpandPattern(*v, "x", 1); // refuses unknown placeholders now
        out.Pattern = *v;
    }
}

// Lines before the first section would be silently ignored by the ini reader.
void CheckNothingBeforeSections(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') return;
        throw ERecipeError("\"" + line + "\" stands before the first [section]");
    }
}

} // namespace

std::string TOutputSpec::Extension() const {
    switch (FileType) {
    case sftPng:
        return ".png";
    case sftBmp:
        return ".bmp";
    case sftGif:
        return ".gif";
    default:
        return ".jpg";
    }
}

bool TRecipe::HasText() const {
    return std::any_of(Steps.begin(), Steps.end(),
                       [](const TStep& s) { return s.Kind == StepKind::Text; });
}

bool TRecipe::UsesLibrary() const {
    return std::any_of(Steps.begin(), Steps.end(),
                       [](const TStep& s) { return !s.Object.empty(); });
}

TRecipe ParseRecipe(std::string_view text, const std::string& baseFolder) {
    CheckNothingBeforeSections(text);
    const TMemIniFile ini = TMemIniFile::FromText(text);
    TRecipe recipe;
    std::vector<std::string> seen;
    for (const std::string& section : ini.ReadSections()) {
        for (const std::string& other : seen)
            if (SameText(other, section))
                throw ERecipeError("[" + section +
                                   "] appears twice; give each step its own label, such as [" +
                                   section + " 2]");
        seen.push_back(section);

        SectionReader reader(ini, section);
        const std::string name = Trim(section);
        const std::string word = Lower(name.substr(0, name.find_first_of(" \t")));
        if (word == "output") {
            ReadOutput(reader, recipe.Output);
        } else if (word == "library") {
            if (auto v = reader.Get("container")) recipe.Container = ResolvePath(*v, baseFolder);
            if (auto v = reader.Get("placements")) recipe.Placements = ResolvePath(*v, baseFolder);
        } else {
            auto kind = std::find_if(std::begin(kKinds), std::end(kKinds),
                                     [&](const auto& k) { return word == k.first; });
            if (kind == std::end(kKinds))
                throw ERecipeError("[" + section +
                                   "] is not a step: use AutoContrast, Tone, Resize, Mask, Frame, "
                                   "Shadow, ClipArt, Text, Output or Library");
            recipe.Steps.push_back(ReadStep(kind->second, section, reader));
        }
        reader.CheckAllUsed();
    }
    return recipe;
}

TRecipe LoadRecipe(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    const std::string text(bytes.begin(), bytes.end());
    std::string folder = std::filesystem::path(path).parent_path().string();
    try {
        return ParseRecipe(text, folder);
    } catch (const ERecipeError& e) {
        throw ERecipeError(path + ": " + e.what());
    }
}

std::string ExpandPattern(std::string_view pattern, const std::string& name, int number) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '{') {
            out += pattern[i];
            continue;
        }
        const auto close = pattern.find('}', i);
        if (close == std::string_view::npos)
            throw ERecipeError("\"" + std::string(pattern) + "\" has a { without its }");
        const std::string field(pattern.substr(i + 1, close - i - 1));
        if (field == "name") {
            out += name;
        } else if (field == "n") {
            out += std::to_string(number);
        } else if (field.size() > 2 && field.compare(0, 2, "n:") == 0) {
            int width = 0;
            if (!ParseInt(field.substr(2), width) || width < 1 || width > 12)
                throw ERecipeError("{" + field + "}: the width of {n:W} is 1 to 12 digits");
            std::string digits = std::to_string(number);
            if (int(digits.size()) < width)
                digits.insert(0, std::size_t(width) - digits.size(), '0');
            out += digits;
        } else {
            throw ERecipeError("{" + field + "} is not a placeholder: use {name}, {n} or {n:4}");
        }
        i = close;
    }
    return out;
}

} // namespace lumetta::batch
