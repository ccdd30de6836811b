#include "core/format/filelines.h"

namespace qor {

namespace {

constexpr std::string_view errorWord = "ERROR: ";

// The lines of `text`, each without its line feed.
template <typename Visit>
void eachLine(std::string_view text, Visit visit)
{
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        visit(text.substr(start, end - start));
        start = end == std::string_view::npos ? text.size() : end + 1;
    }
}

} // namespace

void FileLines::logLine(std::string_view line)
{
    const bool nameIt = !subject_.empty() && line.starts_with(errorWord) && line.find(subject_) == std::string_view::npos;
    if (nameIt)
        text += std::string(errorWord) + subject_ + ": ";
    for (const char c : nameIt ? line.substr(errorWord.size()) : line)
        text += c == '\n' ? std::string_view("\\n") : c == '\r' ? std::string_view("\\r") : std::string_view(&c, 1);
    text += '\n';
}

std::string FileLines::lastError() const
{
    std::string reason = "it could not be read";
    eachLine(text, [&](std::string_view line) {
        if (line.starts_with(errorWord))
            reason = line.substr(errorWord.size());
    });
    return reason;
}

std::vector<std::string> FileLines::errorLines() const
{
    std::vector<std::string> errors;
    eachLine(text, [&](std::string_view line) {
        if (line.starts_with(errorWord))
            errors.emplace_back(line);
    });
    return errors;
}

} // namespace qor
