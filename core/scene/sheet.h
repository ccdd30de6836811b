#pragma once

#include "core/scene/bounds.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// How a sheet lays out its cells: `columns` of them (0: near square) with `padding` pixels
// around each, and each cell's number in its corner.
struct SheetLayout {
    int columns = 0;
    int padding = 0;
    bool numbered = false;
};

struct SheetGrid {
    int columns = 0;
    int rows = 0;

    bool empty() const { return columns <= 0 || rows <= 0; }
    bool operator==(const SheetGrid &) const = default;
};

// Columns and rows of a sheet of `frames` cells, filled by rows: `columns` wide, or near
// square when that is 0.
SheetGrid sheetGrid(int frames, int columns = 0);

// One cell of a sheet: where it lies in pixels, and the number written in its corner, which
// counts as --frame does, from 0 at the clip's start.
struct SheetCell {
    int number = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const SheetCell &) const = default;
};

// The place of cell `index` in a sheet of `frames` cells of `cellSize` pixels.
SheetCell sheetCell(int index, Size cellSize, const SheetLayout &layout, int frames);

// The size in pixels of a sheet of `frames` cells of `cellSize` (unbounded: see
// pictureSizeProblem).
Size sheetSize(Size cellSize, const SheetLayout &layout, int frames);

// Why a sheet of `frames` cells framed by `cell` can't be drawn, as pictureSizeProblem says it
// of its whole size ("the picture would be W x H pixels, more than ..."); empty when it can. One
// frame is a sheet of one cell with no padding.
std::string sheetSizeProblem(const Framing &cell, const SheetLayout &layout, int frames);

// What a program playing the sheet needs, as JSON: the sheet's size, each frame's cell and
// the point of the cells where the animation's origin lies.
std::string sheetDescription(const Clip &clip, const Framing &cell, const SheetLayout &layout, Size sheet);

// Where a sheet's description goes: beside it, "sheet.png" giving "sheet.json" (bytes).
std::string sheetDescriptionPath(std::string_view sheetPath);

// An animation file's name (its last part, Latin-1 bytes) in lower case without
// ".reanim.compiled" or ".reanim".
std::string animationName(std::string_view fileName);

// The name of a clip's export: the animation's name (as animationName gives it), a dash and
// the clip's name (none for the whole animation), then `suffix` ("png", "webp", "gif"); no
// character of it leads to another folder. Latin-1 bytes.
std::string clipFileName(std::string_view animation, std::string_view clipName, std::string_view suffix);

// The name of a frame's PNG: the clip's export name with "-frameN" before ".png", N counted as
// --frame counts, from 0 at the clip's start ("walker-idle-frame3.png").
std::string frameFileName(std::string_view animation, std::string_view clipName, int frame);

} // namespace qor
