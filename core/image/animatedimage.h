#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// The animated picture forms a clip is exported to.
enum class AnimatedFormat { WebP, Gif };

// The form a file name asks for by its ending (".webp", ".gif", any case), if any.
std::optional<AnimatedFormat> animatedFormatOf(std::string_view path);
// "webp" or "gif".
std::string_view animatedSuffix(AnimatedFormat format);

// Why a clip of `frames` frames can't be animated ("there are no frames to animate"); empty
// when it can.
std::string animationFramesProblem(int frames);

// When each frame of an animation at `fps` starts, in units of `perSecond` (1000 for
// WebP's milliseconds, 100 for GIF's hundredths), rounded so that the times add up;
// `frames` + 1 values, the last one the end.
std::vector<std::int64_t> frameTimes(int frames, double fps, int perSecond);

// An encoded animation, or why there is none.
struct EncodedAnimation {
    std::vector<std::uint8_t> bytes; // empty when it could not be encoded
    std::string why;
};

// Encodes frames of `width` x `height` pixels, each straight (not premultiplied) red, green,
// blue and alpha bytes row after row (width * 4 bytes a row), as an animation that loops for
// ever, each frame shown for 1/fps seconds. WebP keeps every pixel (lossless); GIF keeps 256
// colours, chosen for all frames together, and one of them transparent for pixels less than half
// opaque.
EncodedAnimation encodeAnimation(const std::vector<std::span<const std::uint8_t>> &frames, int width, int height,
                                 double fps, AnimatedFormat format);

} // namespace qor
