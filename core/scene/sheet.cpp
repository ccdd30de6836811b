#include "core/scene/sheet.h"

#include "core/format/text.h"
#include "core/scene/attachment.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace qor {

namespace {

// A number as JSON writes it: the shortest text that reads back the same.
std::string jsonNumber(double value)
{
    if (!std::isfinite(value))
        return "null";
    char text[32];
    for (int digits = 1;; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (digits >= 17 || std::strtod(text, nullptr) == value)
            return text;
    }
}

std::string jsonString(std::string_view utf8)
{
    std::string text = "\"";
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            text += '\\';
            text += c;
        } else if (u < 0x20) {
            static constexpr char hex[] = "0123456789abcdef";
            text += "\\u00";
            text += hex[u >> 4];
            text += hex[u & 15];
        } else {
            text += c;
        }
    }
    return text + '"';
}

// An object's members, one a line, indented by `depth` steps of four spaces.
std::string jsonObject(const std::vector<std::pair<std::string_view, std::string>> &members, int depth)
{
    const std::string inner(size_t(depth + 1) * 4, ' ');
    std::string text = "{\n";
    for (size_t n = 0; n < members.size(); ++n)
        text += inner + jsonString(members[n].first) + ": " + members[n].second + (n + 1 < members.size() ? ",\n" : "\n");
    return text + std::string(size_t(depth) * 4, ' ') + "}";
}

} // namespace

SheetGrid sheetGrid(int frames, int columns)
{
    if (frames <= 0)
        return {};
    if (columns <= 0)
        columns = int(std::ceil(std::sqrt(double(frames))));
    columns = std::min(columns, frames);
    return {columns, (frames + columns - 1) / columns};
}

SheetCell sheetCell(int index, Size cellSize, const SheetLayout &layout, int frames)
{
    const SheetGrid grid = sheetGrid(frames, layout.columns);
    if (grid.empty())
        return {};
    const int width = int(cellSize.width);
    const int height = int(cellSize.height);
    const int column = index % grid.columns;
    const int row = index / grid.columns;
    return {index, layout.padding + column * (width + layout.padding), layout.padding + row * (height + layout.padding),
            width, height};
}

Size sheetSize(Size cellSize, const SheetLayout &layout, int frames)
{
    const SheetGrid grid = sheetGrid(frames, layout.columns);
    const double padding = std::max(layout.padding, 0);
    return {(cellSize.width + padding) * grid.columns + padding, (cellSize.height + padding) * grid.rows + padding};
}

std::string sheetSizeProblem(const Framing &cell, const SheetLayout &layout, int frames)
{
    const Size cellSize{std::ceil(cell.area.width * cell.scale), std::ceil(cell.area.height * cell.scale)};
    const Size size = sheetSize(cellSize, layout, frames);
    return pictureSizeProblem(size.width, size.height);
}

std::string sheetDescription(const Clip &clip, const Framing &cell, const SheetLayout &layout, Size sheet)
{
    const Size cellSize = cell.pixelSize().value_or(Size());
    std::string frames = "[";
    for (int index = 0; index < clip.frameCount; ++index) {
        const SheetCell place = sheetCell(index, cellSize, layout, clip.frameCount);
        frames += std::string(index == 0 ? "\n" : ",\n") + std::string(8, ' ')
                  + jsonObject({{"frame", std::to_string(place.number)},
                                {"height", std::to_string(place.height)},
                                {"width", std::to_string(place.width)},
                                {"x", std::to_string(place.x)},
                                {"y", std::to_string(place.y)}},
                               2);
    }
    frames += clip.frameCount > 0 ? "\n    ]" : "]";
    const std::string origin = jsonObject(
        {{"x", jsonNumber(-cell.area.x * cell.scale)}, {"y", jsonNumber(-cell.area.y * cell.scale)}}, 1);
    return jsonObject({{"clip", jsonString(latin1ToUtf8(clip.name))},
                       {"frames", frames},
                       {"height", jsonNumber(sheet.height)},
                       {"origin", origin},
                       {"scale", jsonNumber(cell.scale)},
                       {"width", jsonNumber(sheet.width)}},
                      0)
           + "\n";
}

std::string sheetDescriptionPath(std::string_view sheetPath)
{
    std::string path(sheetPath);
    if (path.size() >= 4 && lowerName(path.substr(path.size() - 4)) == ".png")
        path.resize(path.size() - 4);
    return path + ".json";
}

std::string animationName(std::string_view fileName)
{
    std::string name = lowerName(fileName);
    for (const std::string_view ending : {std::string_view(".reanim.compiled"), std::string_view(".reanim")}) {
        if (name.ends_with(ending)) {
            name.resize(name.size() - ending.size());
            break;
        }
    }
    return name;
}

std::string clipFileName(std::string_view animation, std::string_view clipName, std::string_view suffix)
{
    std::string name(animation);
    if (!clipName.empty()) {
        name += '-';
        name += clipName;
    }
    for (char &character : name) {
        if (character == '/' || character == '\\' || static_cast<unsigned char>(character) < 0x20)
            character = '_';
    }
    return name + "." + std::string(suffix);
}

std::string frameFileName(std::string_view animation, std::string_view clipName, int frame)
{
    std::string name = clipFileName(animation, clipName, "png");
    name.insert(name.size() - 4, "-frame" + std::to_string(frame));
    return name;
}

} // namespace qor
