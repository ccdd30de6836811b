#pragma once

#include "core/format/bytes.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <string_view>
#include <vector>

// Bodies written out by hand and laid out word by word for the tests, independently of the
// serializer under test, and random animations to run through the converters.
namespace testdata {

// Bytes from hexadecimal digits, two to a byte.
inline qor::Bytes fromHex(std::string_view hex)
{
    const auto digit = [](char c) { return std::uint8_t(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10); };
    qor::Bytes bytes;
    for (std::size_t n = 0; n + 1 < hex.size(); n += 2)
        bytes.push_back(std::uint8_t(digit(hex[n]) << 4 | digit(hex[n + 1])));
    return bytes;
}

// `bytes` with the little-endian word at `at` put in, when it lies inside them.
inline qor::Bytes withWord(qor::Bytes bytes, std::size_t at, std::uint32_t word)
{
    if (at + 4 <= bytes.size())
        qor::storeLittle32(bytes.data() + at, word);
    return bytes;
}

inline qor::Bytes concat(qor::Bytes bytes, qor::ByteView more)
{
    bytes.insert(bytes.end(), more.begin(), more.end());
    return bytes;
}

// The first `count` bytes, or all of them when there are fewer.
inline qor::Bytes firstBytes(qor::ByteView bytes, std::size_t count)
{
    return qor::Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(std::min(count, bytes.size())));
}

// The 107-byte body of one track "anim", one frame with x = 1 and image "IMG", fps 12.
inline qor::Bytes workedExampleBody()
{
    return fromHex("C0B493B3" "00000000" "01000000" "00004041" "00000000" "0C000000"
                   "B8F96208" "60977508" "01000000"
                   "04000000" "616E696D" "2C000000"
                   "0000803F" "00401CC6" "00401CC6" "00401CC6" "00401CC6" "00401CC6"
                   "00401CC6" "00401CC6" "00000000" "00000000" "3CAEB800"
                   "03000000" "494D47" "00000000" "00000000");
}

inline constexpr std::string_view workedExampleText = "<fps>12</fps>\n<track>\n<name>anim</name>\n"
                                                      "<t><x>1.000</x><i>IMG</i></t>\n</track>\n";

inline constexpr float unset = -10000.0f;

struct Frame {
    std::array<float, 8> fields{unset, unset, unset, unset, unset, unset, unset, unset};
    std::string image{};
    std::string font{};
    std::string text{};
};

struct Track {
    std::string name;
    std::vector<Frame> frames;
};

inline qor::Bytes buildBody(float fps, const std::vector<Track> &tracks)
{
    qor::Bytes body;
    const auto u32 = [&](std::uint32_t word) {
        for (int shift = 0; shift < 32; shift += 8)
            body.push_back(std::uint8_t(word >> shift));
    };
    const auto f32 = [&](float value) { u32(qor::wordOf(value)); };
    const auto string = [&](std::string_view bytes) {
        u32(std::uint32_t(bytes.size()));
        body.insert(body.end(), bytes.begin(), bytes.end());
    };
    for (const std::uint32_t word : {0xB393B4C0u, 0u, std::uint32_t(tracks.size())})
        u32(word);
    f32(fps);
    u32(0);
    u32(12);
    for (const Track &track : tracks) {
        u32(0x0862F9B8);
        u32(0x08759760);
        u32(std::uint32_t(track.frames.size()));
    }
    for (const Track &track : tracks) {
        string(track.name);
        u32(44);
        for (const Frame &frame : track.frames) {
            for (const float field : frame.fields)
                f32(field);
            for (const std::uint32_t word : {0u, 0u, 0x00B8AE3Cu})
                u32(word);
        }
        for (const Frame &frame : track.frames) {
            for (const std::string *name : {&frame.image, &frame.font, &frame.text})
                string(*name);
        }
    }
    return body;
}

// A whole number in [low, high).
inline int randomInt(std::mt19937 &random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high - 1)(random);
}

// Names of markup, blanks and Latin-1 bytes; frames of unset, whole and thousandths values.
inline std::string randomName(std::mt19937 &random, int maxLength)
{
    static constexpr std::string_view alphabet = "abcXYZ_09 .&<>\"'\xE9\xFF\xA0\x80";
    std::string name;
    for (int n = randomInt(random, 0, maxLength + 1); n > 0; --n)
        name += alphabet[std::size_t(randomInt(random, 0, int(alphabet.size())))];
    return name;
}

inline std::vector<Track> randomTracks(std::mt19937 &random)
{
    std::vector<Track> tracks(std::size_t(randomInt(random, 0, 6)));
    for (Track &track : tracks) {
        track.name = randomName(random, 12);
        track.frames.resize(std::size_t(randomInt(random, 0, 5)));
        for (Frame &frame : track.frames) {
            // Unset, whole, or thousandths as the text carries them.
            for (float &field : frame.fields)
                field = randomInt(random, 0, 3) == 0 ? unset : float(randomInt(random, -1000000, 1000000)) / 1000.0f;
            frame.image = randomInt(random, 0, 2) ? randomName(random, 10) : std::string();
            frame.font = randomInt(random, 0, 4) == 0 ? randomName(random, 6) : std::string();
            frame.text = randomInt(random, 0, 4) == 0 ? randomName(random, 20) : std::string();
        }
    }
    return tracks;
}

} // namespace testdata
