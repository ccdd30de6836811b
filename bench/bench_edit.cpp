// The editing model on a large animation shaped as the game's are: a change and the evaluation
// of the frame shown after it, a drag's moves, and undoing a thousand steps.
#include "core/edit/document.h"
#include "core/edit/operations.h"
#include "core/format/bodywriter.h"
#include "core/format/container.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace {

using namespace qor::edit;

// 130 tracks of 400 frames: an image in the first frame, then each frame gives the placement
// that changes (smooth curves, in thousandths as a text carries them); two clip tracks.
const qor::Bytes &largeFile()
{
    static const qor::Bytes file = [] {
        std::mt19937 random(11);
        std::uniform_real_distribution<float> phase(0.0f, 6.28f);
        const auto thousandths = [](double value) { return float(std::round(value * 1000.0) / 1000.0); };
        qor::Reanim reanim;
        for (int t = 0; t < 2; ++t) {
            qor::ReanimTrack clip{t == 0 ? "anim_walk" : "anim_idle", std::vector<qor::ReanimTransform>(400)};
            clip.transforms[0].f = t == 0 ? 0.0f : -1.0f;
            clip.transforms[200].f = t == 0 ? -1.0f : 0.0f;
            reanim.tracks.push_back(std::move(clip));
        }
        for (int t = 0; t < 130; ++t) {
            qor::ReanimTrack track{"part" + std::to_string(t), std::vector<qor::ReanimTransform>(400)};
            track.transforms[0].i = "IMAGE_REANIM_PART_" + std::to_string(t % 40);
            const float p = phase(random);
            for (std::size_t n = 0; n < 400; ++n) {
                qor::ReanimTransform &frame = track.transforms[n];
                frame.x = thousandths(100.0 + 20.0 * std::sin(0.1 * double(n) + p));
                frame.y = thousandths(80.0 + 5.0 * std::cos(0.1 * double(n) + p));
                if (t % 3 == 0)
                    frame.kx = frame.ky = thousandths(15.0 * std::sin(0.05 * double(n) + p));
            }
            reanim.tracks.push_back(std::move(track));
        }
        return qor::wrapBody(qor::serializeReanim(reanim));
    }();
    return file;
}

Document openLarge()
{
    return std::move(*Document::open("large.reanim.compiled", largeFile(), qor::FileKind::Compiled).document);
}

// The states of every track in one frame, as the canvas reads them.
float showFrame(Document &document, int frame)
{
    const qor::EvaluatedAnimation &evaluated = document.evaluated();
    float sum = 0.0f;
    for (std::size_t track = 0; track < evaluated.tracks.size(); ++track)
        if (const qor::TrackState *state = evaluated.state(track, frame))
            sum += state->x;
    return sum;
}

void BM_SetFieldAndShowFrame(benchmark::State &state)
{
    Document document = openLarge();
    showFrame(document, 100);
    const std::size_t track[] = {60};
    float value = 0.0f;
    for (auto _ : state) {
        document.apply(*setNumber(document.reanim(), track, 100, 1, Field::X, value += 1.0f));
        benchmark::DoNotOptimize(showFrame(document, 100));
    }
    state.counters["file KB"] = double(largeFile().size()) / 1024.0;
}
BENCHMARK(BM_SetFieldAndShowFrame)->Unit(benchmark::kMicrosecond);

void BM_DragTenTracksAndShowFrame(benchmark::State &state)
{
    Document document = openLarge();
    std::vector<DragValue> values;
    float move = 0.0f;
    for (auto _ : state) {
        move += 1.0f;
        values.clear();
        for (std::size_t track = 10; track < 20; ++track)
            values.push_back({track, 100, move, -move});
        document.apply(*drag(document.reanim(), Drag::Move, values));
        benchmark::DoNotOptimize(showFrame(document, 100));
    }
}
BENCHMARK(BM_DragTenTracksAndShowFrame)->Unit(benchmark::kMicrosecond);

void BM_Undo1000Steps(benchmark::State &state)
{
    Document document = openLarge();
    for (auto _ : state) {
        state.PauseTiming();
        for (int n = 0; n < 1000; ++n) {
            const std::size_t track[] = {std::size_t(2 + n % 120)};
            document.apply(*setNumber(document.reanim(), track, std::size_t(n % 400), 1, Field::Y, float(n)));
        }
        state.ResumeTiming();
        while (document.undo()) {
        }
        benchmark::DoNotOptimize(showFrame(document, 0));
    }
}
BENCHMARK(BM_Undo1000Steps)->Unit(benchmark::kMillisecond);

void BM_EvaluateWhole(benchmark::State &state)
{
    Document document = openLarge();
    for (auto _ : state)
        benchmark::DoNotOptimize(qor::evaluate(document.reanim()).frameCount);
}
BENCHMARK(BM_EvaluateWhole)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
