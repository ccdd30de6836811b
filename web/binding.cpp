// The JavaScript face of web/api.h: each function takes a name and a Uint8Array and gives a
// plain object, with bytes and numbers as typed arrays copied out of the module's memory, so
// nothing the caller keeps points into it.

#include "web/api.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <string>
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

val strings(const std::vector<std::string> &texts)
{
    val array = val::array();
    for (const std::string &text : texts)
        array.call<void>("push", text);
    return array;
}

val clips(const std::vector<web::ClipInfo> &all)
{
    val array = val::array();
    for (const web::ClipInfo &clip : all) {
        val object = val::object();
        object.set("name", clip.name);
        object.set("first", clip.first);
        object.set("frames", clip.frames);
        array.call<void>("push", object);
    }
    return array;
}

val conversion(const web::Conversion &done)
{
    val object = val::object();
    object.set("ok", done.ok);
    object.set("output", done.output);
    object.set("bytes", copied(done.bytes));
    object.set("lines", strings(done.lines));
    object.set("warnings", done.warnings);
    return object;
}

val outputs(const val &names, bool decompile)
{
    std::vector<std::string> list;
    const auto count = names["length"].as<std::size_t>();
    for (std::size_t n = 0; n < count; ++n)
        list.push_back(names[n].as<std::string>());
    val array = val::array();
    for (const web::PlannedOutput &planned : web::outputs(list, decompile)) {
        val object = val::object();
        object.set("output", planned.output);
        object.set("refusal", planned.refusal);
        array.call<void>("push", object);
    }
    return array;
}

val decompile(const std::string &name, const val &bytes)
{
    const web::Bytes input = bytesOf(bytes);
    return conversion(web::decompile(name, input));
}

val compile(const std::string &name, const val &bytes, bool strict)
{
    const web::Bytes input = bytesOf(bytes);
    return conversion(web::compile(name, input, strict));
}

val check(const std::string &name, const val &bytes, bool strict)
{
    const web::Bytes input = bytesOf(bytes);
    const web::Checked checked = web::check(name, input, strict);
    static constexpr const char *outcomes[] = {"same", "different", "failed"};
    val object = val::object();
    object.set("outcome", std::string(outcomes[static_cast<int>(checked.outcome)]));
    object.set("lines", strings(checked.lines));
    object.set("warnings", checked.warnings);
    return object;
}

val info(const std::string &name, const val &bytes)
{
    const web::Bytes input = bytesOf(bytes);
    const web::Info described = web::info(name, input);
    val object = val::object();
    object.set("ok", described.ok);
    object.set("kind", described.kind);
    object.set("fps", described.fpsKnown ? val(described.fps) : val::null());
    object.set("frames", double(described.frames));
    val tracks = val::array();
    for (const web::TrackInfo &track : described.tracks) {
        val entry = val::object();
        entry.set("name", track.name);
        entry.set("frames", double(track.frames));
        entry.set("images", strings(track.images));
        tracks.call<void>("push", entry);
    }
    object.set("tracks", tracks);
    object.set("clips", clips(described.clips));
    val attachments = val::array();
    for (const web::AttachmentInfo &attachment : described.attachments) {
        val one = val::object();
        one.set("name", attachment.name);
        one.set("clip", attachment.clip);
        one.set("tags", strings(attachment.tags));
        attachments.call<void>("push", one);
    }
    object.set("attachments", attachments);
    object.set("error", described.error);
    return object;
}

val evaluate(const std::string &name, const val &bytes)
{
    const web::Bytes input = bytesOf(bytes);
    const web::Evaluated animation = web::evaluate(name, input);
    val object = val::object();
    object.set("ok", animation.ok);
    object.set("error", animation.error);
    object.set("fps", animation.fps);
    object.set("frameCount", animation.frameCount);
    object.set("strings", strings(animation.strings));
    val tracks = val::array();
    for (const web::EvaluatedTrack &track : animation.tracks) {
        val entry = val::object();
        entry.set("name", track.name);
        entry.set("marksClip", track.marksClip);
        entry.set("values", copied(track.values));
        entry.set("strings", copied(track.strings));
        tracks.call<void>("push", entry);
    }
    object.set("tracks", tracks);
    object.set("clips", clips(animation.clips));
    return object;
}

} // namespace

EMSCRIPTEN_BINDINGS(qorutil)
{
    emscripten::function("outputs", &outputs);
    emscripten::function("decompile", &decompile);
    emscripten::function("compile", &compile);
    emscripten::function("check", &check);
    emscripten::function("info", &info);
    emscripten::function("evaluate", &evaluate);
    emscripten::function("implementation", &web::implementation);
}
