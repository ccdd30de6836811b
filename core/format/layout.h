#pragma once

#include <cstddef>
#include <cstdint>

// The byte layout of the compiled form, said once. A compiled file is an 8-byte header (magic,
// body length) and a zlib stream of the body. The body is a 24-byte header, a table of one
// 12-byte entry per track, then per track its name, a record size word, its 44-byte transform
// records and, per frame, its image, font and text strings. Words are little-endian; a string
// is a length word and that many bytes.
namespace qor::layout {

// The first word of every compiled reanim file (bytes D4 FE AD DE).
inline constexpr std::uint32_t compiledMagic = 0xDEADFED4;
inline constexpr std::size_t compiledHeaderSize = 8;

// The body header: signature, a word, the track count, the frame rate (f32), a word, and the
// size of a track table entry.
inline constexpr std::uint32_t bodySignature = 0xB393B4C0;
inline constexpr std::size_t bodyHeaderSize = 24;
inline constexpr std::size_t trackCountOffset = 8;
inline constexpr std::size_t fpsOffset = 12;

// A track table entry: two fixed words and the track's frame count.
inline constexpr std::size_t trackEntrySize = 12;
inline constexpr std::uint32_t trackEntryWord1 = 0x0862F9B8;
inline constexpr std::uint32_t trackEntryWord2 = 0x08759760;
inline constexpr std::size_t trackEntryFramesOffset = 8;

// A transform record: the eight frame fields (f32) and three fixed words.
inline constexpr std::size_t transformRecordSize = 44;
inline constexpr std::uint32_t recordWord1 = 0;
inline constexpr std::uint32_t recordWord2 = 0;
inline constexpr std::uint32_t recordWord3 = 0x00B8AE3C;

// The three string lengths of a frame that has no image, font or text.
inline constexpr std::size_t emptyStringsSize = 12;

} // namespace qor::layout
