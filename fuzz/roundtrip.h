#pragma once

#include "core/format/decompiler.h"
#include "core/format/numbers.h"
#include "core/format/reanim.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

// What the round-trip targets hold the converters to, and the known limits of the text form
// that are not faults and so are left out of the comparison.
namespace qorfuzz {

// Known limit, not a fault: the reader refuses a name longer than maxNameBytes (the
// compiled form's strings are longer only in bodies made elsewhere). A refusal, not an
// inequality. Names are already cut at their first zero byte, as the text carries them.
inline bool tooLongForText(std::string_view name)
{
    return name.size() > qor::maxNameBytes;
}

// Not left out: a name of blanks alone is written in CDATA and comes back whole.

// Not left out either: a carriage return is written as &#13; and comes back, and a body with
// another control byte does not walk to a text at all (the decompiler refuses it).

inline bool textCannotCarry(std::string_view name)
{
    return tooLongForText(name);
}

// Whether any name, image, font or text of `reanim` is one the text form cannot carry.
inline bool holdsNameTextCannotCarry(const qor::Reanim &reanim)
{
    for (const qor::ReanimTrack &track : reanim.tracks) {
        if (textCannotCarry(track.name))
            return true;
        for (const qor::ReanimTransform &frame : track.transforms)
            if (textCannotCarry(frame.i) || textCannotCarry(frame.font) || textCannotCarry(frame.text))
                return true;
    }
    return false;
}

// Whether any name of `reanim` holds a character the decompiler refuses to write.
inline bool holdsUnwritableName(const qor::Reanim &reanim)
{
    for (const qor::ReanimTrack &track : reanim.tracks) {
        if (qor::unwritableCharacter(track.name))
            return true;
        for (const qor::ReanimTransform &frame : track.transforms)
            if (qor::unwritableCharacter(frame.i) || qor::unwritableCharacter(frame.font) || qor::unwritableCharacter(frame.text))
                return true;
    }
    return false;
}

// Known limit, not a fault: a string is cut at its first zero byte, and one that held bytes
// but starts with a zero is still written, as an empty element; once read, an empty string is
// not written at all. The text without those empty elements is what comes back. (No other
// empty element is written: names are always written, and markup in strings is escaped.)
inline std::string withoutStringsCutToNothing(std::string text)
{
    for (const std::string_view empty : {"<i></i>", "<font></font>", "<text></text>"}) {
        for (std::size_t at; (at = text.find(empty)) != std::string::npos;)
            text.erase(at, empty.size());
    }
    return text;
}

// The model with every number as the text carries it: the frame fields with three decimals,
// the frame rate likewise without trailing zeros. That is the text form's precision, not a
// fault; it also stands for the NaN payloads, as every NaN is written "nan".
inline void roundToText(qor::Reanim &reanim)
{
    std::array<char, qor::maxFixed3Length> digits{};
    const auto carried = [&](char *end) { return qor::parseDecimal({digits.data(), size_t(end - digits.data())}); };
    reanim.fps = carried(qor::writeFrameRate(digits.data(), reanim.fps));
    for (qor::ReanimTrack &track : reanim.tracks)
        for (qor::ReanimTransform &frame : track.transforms)
            for (const qor::NumberField &field : qor::numberFields)
                if (frame.*field.member != qor::unsetValue)
                    frame.*field.member = carried(qor::writeFixed3(digits.data(), frame.*field.member));
}

} // namespace qorfuzz
