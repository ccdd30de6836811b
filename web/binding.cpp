// The JavaScript face of web/api.h: each function takes a name and a Uint8Array and gives a
// plain object, with bytes and numbers as typed arrays copied out of the module's memory, so
// nothing the caller keeps points into it.

#include "web/api.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace {

using emscripten::val;

web::Bytes bytesOf(const val &array)
{
    web::Bytes bytes(array["length"].as<std::size_t>());
    if (!bytes.empty())
        val(emscripten::typed_memory_view(bytes.size(), bytes.data())).call<void>("set", array);
    return bytes;
}

template <typename T>
val copied(const std::vector<T> &values)
{
    return val(emscripten::typed_memory_view(values.size(), values.data())).call<val>("slice");
}

// A plain object of the given fields.
val object(std::initializer_list<std::pair<const char *, val>> fields)
{
    val made = val::object();
    for (const auto &[key, value] : fields)
        made.set(key, value);
    return made;
}

// An array of each item as `entry` gives it; of texts, the texts themselves.
template <typename T, typename Entry>
val array(const std::vector<T> &items, Entry entry)
{
    val made = val::array();
    for (const T &item : items)
        made.call<void>("push", entry(item));
    return made;
}
val array(const std::vector<std::string> &texts)
{
    return array(texts, [](const std::string &text) { return val(text); });
}

val clips(const std::vector<web::ClipInfo> &all)
{
    return array(all, [](const web::ClipInfo &clip) {
        return object({{"name", val(clip.name)}, {"first", val(clip.first)}, {"frames", val(clip.frames)}});
    });
}

val conversion(const web::Conversion &done)
{
    return object({{"ok", val(done.ok)},
                   {"output", val(done.output)},
                   {"bytes", copied(done.bytes)},
                   {"lines", array(done.lines)},
                   {"warnings", val(done.warnings)}});
}

// The texts of a JavaScript array; none for undefined or null.
std::vector<std::string> texts(const val &items)
{
    std::vector<std::string> list;
    if (!items.isUndefined() && !items.isNull()) {
        const auto count = items["length"].as<std::size_t>();
        for (std::size_t n = 0; n < count; ++n)
            list.push_back(items[n].as<std::string>());
    }
    return list;
}

val outputs(const val &names, bool decompile)
{
    return array(web::outputs(texts(names), decompile), [](const web::PlannedOutput &planned) {
        return object({{"output", val(planned.output)}, {"refusal", val(planned.refusal)}});
    });
}

// totals: {done, failed, skipped, different, warnings, interrupted}, each 0 where missing.
val summary(const std::string &op, const val &totals, double files)
{
    const auto count = [&](const char *field) {
        const val value = totals[field];
        return value.isNumber() ? value.as<int>() : 0;
    };
    const qor::RunTotals counted{count("done"),     count("failed"),   count("skipped"),
                                 count("different"), count("warnings"), count("interrupted")};
    const std::string line = web::summary(op, counted, std::size_t(files));
    return line.empty() ? val::null() : val(line);
}

val decompile(const std::string &name, const val &bytes)
{
    return conversion(web::decompile(name, bytesOf(bytes)));
}

val compile(const std::string &name, const val &bytes, bool strict)
{
    return conversion(web::compile(name, bytesOf(bytes), strict));
}

// What is beside the files of a run, from {listed: [paths], animations: [names]}: made once for
// the object a run passes with each of its files, not once a file.
const web::Beside &besideOf(const val &files)
{
    static val last = val::undefined();
    static web::Beside beside;
    if (files.isUndefined() || files.isNull()) {
        static const web::Beside nothing;
        return nothing;
    }
    if (!files.strictlyEquals(last)) {
        beside = web::Beside(texts(files["listed"]), texts(files["animations"]));
        last = files;
    }
    return beside;
}

val check(const std::string &name, const val &bytes, bool strict, const val &files)
{
    const web::Checked checked = web::check(name, bytesOf(bytes), strict, besideOf(files));
    static constexpr const char *outcomes[] = {"same", "different", "failed"};
    return object({{"outcome", val(std::string(outcomes[static_cast<int>(checked.outcome)]))},
                   {"lines", array(checked.lines)},
                   {"warnings", val(checked.warnings)}});
}

val info(const std::string &name, const val &bytes)
{
    const web::Info described = web::info(name, bytesOf(bytes));
    return object({{"ok", val(described.ok)},
                   {"kind", val(described.kind)},
                   {"fps", described.fpsKnown ? val(described.fps) : val::null()},
                   {"frames", val(double(described.frames))},
                   {"tracks", array(described.tracks,
                                    [](const web::TrackInfo &track) {
                                        return object({{"name", val(track.name)},
                                                       {"frames", val(double(track.frames))},
                                                       {"images", array(track.images)}});
                                    })},
                   {"clips", clips(described.clips)},
                   {"attachments", array(described.attachments,
                                         [](const web::AttachmentInfo &attachment) {
                                             return object({{"name", val(attachment.name)},
                                                            {"clip", val(attachment.clip)},
                                                            {"tags", array(attachment.tags)}});
                                         })},
                   {"error", val(described.error)}});
}

val evaluate(const std::string &name, const val &bytes)
{
    const web::Evaluated animation = web::evaluate(name, bytesOf(bytes));
    return object({{"ok", val(animation.ok)},
                   {"error", val(animation.error)},
                   {"fps", val(animation.fps)},
                   {"frameCount", val(animation.frameCount)},
                   {"strings", array(animation.strings)},
                   {"tracks", array(animation.tracks,
                                    [](const web::EvaluatedTrack &track) {
                                        return object({{"name", val(track.name)},
                                                       {"marksClip", val(track.marksClip)},
                                                       {"values", copied(track.values)},
                                                       {"strings", copied(track.strings)}});
                                    })},
                   {"clips", clips(animation.clips)}});
}

} // namespace

EMSCRIPTEN_BINDINGS(qorutil)
{
    emscripten::function("outputs", &outputs);
    emscripten::function("summary", &summary);
    emscripten::function("decompile", &decompile);
    emscripten::function("compile", &compile);
    emscripten::function("check", &check);
    emscripten::function("info", &info);
    emscripten::function("evaluate", &evaluate);
}
