// Writes the animations the whole-process benchmarks convert: a set shaped like a game's own
// files (many files of tens of tracks and hundreds of frames, most fields unset) and one
// large file, each as compiled file, text and raw body.
#include "core/format/bodywriter.h"
#include "core/format/container.h"
#include "core/format/decompiler.h"
#include "core/files/outputfile.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

namespace {

using qor::DiscardingLog;

float thousandths(std::mt19937 &random, int low, int high)
{
    return float(std::uniform_int_distribution<int>(low * 1000, high * 1000)(random)) / 1000.0f;
}

// The first frame places the part; later frames mostly move it and now and then turn,
// scale, fade or swap its image, as a game's animations do.
qor::Reanim animation(std::mt19937 &random, int tracks, int frames)
{
    const auto chance = [&](int percent) { return std::uniform_int_distribution<int>(0, 99)(random) < percent; };
    qor::Reanim reanim;
    reanim.fps = chance(75) ? 12.0f : float(std::uniform_int_distribution<int>(10, 30)(random));
    for (int t = 0; t < tracks; ++t) {
        qor::ReanimTrack track;
        track.name = (t % 9 == 0 ? "anim_" : "part_") + std::to_string(t);
        for (int f = 0; f < frames; ++f) {
            qor::ReanimTransform frame;
            const bool first = f == 0;
            if (first || chance(50)) {
                frame.x = thousandths(random, -200, 600);
                frame.y = thousandths(random, -200, 600);
            }
            if (first || chance(10)) {
                frame.kx = frame.ky = thousandths(random, -180, 180);
                frame.sx = frame.sy = thousandths(random, 0, 2);
            }
            if (first || chance(5))
                frame.f = chance(80) ? 0.0f : -1.0f;
            if (first || chance(5))
                frame.a = thousandths(random, 0, 1);
            if (first || chance(3))
                frame.i = "IMAGE_REANIM_PART_" + std::to_string(t) + "_" + std::to_string(f % 7);
            track.transforms.push_back(std::move(frame));
        }
        reanim.tracks.push_back(std::move(track));
    }
    return reanim;
}

bool writeAll(const qor::Reanim &reanim, const std::filesystem::path &folder, const std::string &name)
{
    DiscardingLog log;
    const qor::Bytes body = qor::serializeReanim(reanim);
    const auto text = qor::decompileBodyToText(body, log);
    std::error_code error;
    for (const char *kind : {"compiled", "text", "body"})
        std::filesystem::create_directories(folder / kind, error);
    return text && !error
        && qor::writeWholeFile(folder / "compiled" / (name + ".reanim.compiled"), qor::charsOf(qor::wrapBody(body)), log,
                               qor::Flush::No)
        && qor::writeWholeFile(folder / "body" / (name + ".body"), qor::charsOf(body), log, qor::Flush::No)
        && qor::writeWholeFile(folder / "text" / (name + ".reanim"), *text, log, qor::Flush::No);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: qorutil-benchdata FOLDER\n");
        return 2;
    }
    const std::filesystem::path root(argv[1]);
    std::mt19937 random(143);
    for (int n = 0; n < 150; ++n) {
        const int tracks = std::uniform_int_distribution<int>(15, 60)(random);
        const int frames = std::uniform_int_distribution<int>(60, 240)(random);
        char name[16];
        std::snprintf(name, sizeof name, "anim%03d", n);
        if (!writeAll(animation(random, tracks, frames), root / "set", name))
            return 1;
    }
    // About 30 MB of text and 64 MB of body, the largest a game's files come to and more.
    return writeAll(animation(random, 100, 11500), root / "large", "large") ? 0 : 1;
}
