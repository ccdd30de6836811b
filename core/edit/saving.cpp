#include "core/edit/saving.h"

#include "core/format/bodywriter.h"
#include "core/format/compiler.h"
#include "core/format/container.h"
#include "core/format/decompiler.h"

#include <algorithm>
#include <map>

namespace qor::edit {

namespace {

bool anyLineStartsWithBlank(std::string_view text)
{
    for (std::size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
        if (text[at] == ' ' || text[at] == '\t')
            return true;
        if (text.find('\n', at) == std::string_view::npos)
            break;
    }
    return false;
}

} // namespace

std::optional<std::string> saveText(const Document &document, LogSink &log)
{
    if (document.atOrigin() && document.kind() == FileKind::Compiled)
        return decompileBodyToText(document.originalBody(), log);
    return decompileBodyToText(serializeReanim(document.reanim()), log);
}

std::optional<Bytes> saveCompiled(const Document &document, LogSink &log)
{
    const auto text = saveText(document, log);
    if (!text)
        return std::nullopt;
    DiscardingLog quiet;
    auto file = compileText(*text, quiet);
    if (!file) {
        log.logLine("ERROR: the saved text did not compile");
        return std::nullopt;
    }
    if (document.atOrigin() && document.kind() == FileKind::Compiled) {
        const auto body = inflateCompiledFile(*file, quiet);
        if (body && *body == document.originalBody())
            return document.original();
    }
    return file;
}

std::vector<std::string> droppedOnSave(const Document &document)
{
    if (document.kind() != FileKind::Text)
        return {};
    const std::string_view original = charsOf(document.original());
    DiscardingLog quiet;
    const auto text = decompileBodyToText(serializeReanim(document.reanim()), quiet);
    if (text && *text == original)
        return {};
    std::vector<std::string> lines;
    std::map<std::string, int> times;
    for (const ReaderWarning &warning : document.readerWarnings())
        if (times[warning.text]++ == 0)
            lines.push_back(warning.text);
    for (std::string &line : lines)
        if (const int count = times[line]; count > 1)
            line += " (" + std::to_string(count) + " times)";
    if (original.find("<!--") != std::string_view::npos)
        lines.emplace_back("comments");
    if (anyLineStartsWithBlank(original))
        lines.emplace_back("indentation");
    if (original.find('\r') != std::string_view::npos)
        lines.emplace_back("carriage returns at line ends");
    if (lines.empty())
        lines.emplace_back("the layout of the text: line breaks, spaces and number forms");
    return lines;
}

} // namespace qor::edit
