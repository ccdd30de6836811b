#pragma once

#include "core/format/compactstring.h"
#include "core/format/layout.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// A frame field that holds this was not given by the frame; compared by exact equality.
inline constexpr float unsetValue = -10000.0f;
// The longest name, image, font or text a frame or track can hold, in bytes.
inline constexpr std::size_t maxNameBytes = 255;

// One frame of a track: the transform record of the compiled body and its strings. The
// record's fixed words are written as they are and never read, and the strings take a pointer
// each, so a frame takes 56 bytes here, about what it takes in the body.
struct ReanimTransform {
    float x = unsetValue;
    float y = unsetValue;
    float kx = unsetValue;
    float ky = unsetValue;
    float sx = unsetValue;
    float sy = unsetValue;
    float f = unsetValue;
    float a = unsetValue;
    CompactString i;    // image name, Latin-1 bytes
    CompactString font; // font name, Latin-1 bytes
    CompactString text; // text shown with the frame, Latin-1 bytes
};

// The eight number fields of a frame, in the order of the record and of the text.
struct NumberField {
    std::string_view tag;
    float ReanimTransform::*member;
};
inline constexpr std::array<NumberField, 8> numberFields{{{"x", &ReanimTransform::x},
                                                          {"y", &ReanimTransform::y},
                                                          {"kx", &ReanimTransform::kx},
                                                          {"ky", &ReanimTransform::ky},
                                                          {"sx", &ReanimTransform::sx},
                                                          {"sy", &ReanimTransform::sy},
                                                          {"f", &ReanimTransform::f},
                                                          {"a", &ReanimTransform::a}}};

// The three strings of a frame, in body order, with their words for messages.
struct StringField {
    std::string_view tag;
    CompactString ReanimTransform::*member;
    std::string_view words;
};
inline constexpr std::array<StringField, 3> stringFields{{{"i", &ReanimTransform::i, "the image name"},
                                                          {"font", &ReanimTransform::font, "the font name"},
                                                          {"text", &ReanimTransform::text, "the text"}}};

// One named track and its frames in order.
struct ReanimTrack {
    std::string name; // Latin-1 bytes
    std::vector<ReanimTransform> transforms;
};

// One animation: the frame rate and the tracks in order; the rest of the body header is fixed.
struct Reanim {
    float fps = 12.0f; // frames per second
    std::vector<ReanimTrack> tracks;
};

} // namespace qor
