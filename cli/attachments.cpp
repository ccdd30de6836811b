#include "cli/attachments.h"

#include "core/files/attachedfile.h"
#include "core/scene/attachment.h"
#include "core/format/text.h"

#include <algorithm>
#include <string_view>
#include <system_error>

namespace cli {

std::vector<std::string> missingAttachments(const std::filesystem::path &path, const qor::WalkableFile &file)
{
    // The distinct texts of the frames, walked rather than modelled, so a large file costs no
    // more memory here than check already spends on it.
    struct Texts {
        bool header(float, std::uint32_t) { return true; }
        bool beginTrack(std::uint32_t, std::string_view, std::uint32_t) { return true; }
        bool frame(std::uint32_t, std::uint32_t, const qor::BodyFrame &values)
        {
            const std::string_view text = values.text.substr(0, values.text.find('\0'));
            if (text.starts_with("attacher__") && std::find(seen.begin(), seen.end(), text) == seen.end())
                seen.emplace_back(text);
            return true;
        }
        bool endTrack(std::uint32_t) { return true; }
        std::vector<std::string> seen;
    } texts;
    file.walk(texts);
    std::vector<std::string> missing;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    const std::vector<std::filesystem::path> beside{(error ? path : absolute).parent_path()};
    for (const std::string &text : texts.seen) {
        const auto attachment = qor::parseAttachment(text);
        if (!attachment)
            continue;
        std::string looked;
        for (const std::string &name : qor::attachedFileNames(attachment->name))
            looked += (looked.empty() ? "" : " or ") + qor::latin1ToUtf8(name);
        if (!qor::findAttachedFile(beside, attachment->name)
            && std::find(missing.begin(), missing.end(), looked) == missing.end())
            missing.push_back(looked);
    }
    for (std::string &each : missing)
        each = "attached animation not beside it: no " + each;
    return missing;
}

} // namespace cli
