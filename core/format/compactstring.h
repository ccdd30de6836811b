#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace qor {

// A string of bytes that takes one pointer in its owner: nothing at all when it is empty, as
// the image, font and text of most frames are. A model of a million frames keeps three per
// frame, so std::string's 32 bytes each would be most of the model.
class CompactString {
public:
    CompactString() = default;
    CompactString(std::string_view bytes) { assign(bytes); }
    CompactString(const std::string &bytes) : CompactString(std::string_view(bytes)) {}
    CompactString(const char *bytes) : CompactString(std::string_view(bytes)) {}
    CompactString(const CompactString &other) : CompactString(other.view()) {}
    CompactString(CompactString &&) noexcept = default;
    CompactString &operator=(const CompactString &other)
    {
        if (this != &other)
            assign(other.view());
        return *this;
    }
    CompactString &operator=(CompactString &&) noexcept = default;

    std::string_view view() const
    {
        if (!bytes_)
            return {};
        std::size_t size;
        std::memcpy(&size, bytes_.get(), sizeof size);
        return {bytes_.get() + sizeof size, size};
    }
    operator std::string_view() const { return view(); }
    std::string str() const { return std::string(view()); }

    bool empty() const { return !bytes_; }
    std::size_t size() const { return view().size(); }

    friend bool operator==(const CompactString &a, const CompactString &b) { return a.view() == b.view(); }
    friend bool operator==(const CompactString &a, std::string_view b) { return a.view() == b; }

private:
    void assign(std::string_view bytes)
    {
        if (bytes.empty()) {
            bytes_.reset();
            return;
        }
        // The length, then the bytes, in one allocation.
        std::unique_ptr<char[]> stored(new char[sizeof(std::size_t) + bytes.size()]);
        const std::size_t size = bytes.size();
        std::memcpy(stored.get(), &size, sizeof size);
        std::memcpy(stored.get() + sizeof size, bytes.data(), bytes.size());
        bytes_ = std::move(stored);
    }

    std::unique_ptr<char[]> bytes_;
};

} // namespace qor
