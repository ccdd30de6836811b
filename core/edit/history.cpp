#include "core/edit/history.h"

#include <algorithm>

namespace qor::edit {

void History::push(Step step)
{
    undone_.clear();
    done_.push_back(std::move(step));
    lastOpen_ = true;
    trim();
}

Step *History::foldable(const std::string &mergeKey)
{
    if (!lastOpen_ || mergeKey.empty() || done_.empty() || done_.back().mergeKey != mergeKey)
        return nullptr;
    undone_.clear();
    return &done_.back();
}

void History::undid()
{
    undone_.push_back(std::move(done_.back()));
    done_.pop_back();
    lastOpen_ = false;
}

void History::redid()
{
    done_.push_back(std::move(undone_.back()));
    undone_.pop_back();
    lastOpen_ = false;
}

void History::setLimit(std::size_t limit)
{
    limit_ = std::max<std::size_t>(limit, 1);
    trim();
}

void History::restore(std::deque<Step> done, std::vector<Step> undone, std::uint64_t base, std::uint64_t lastVersion)
{
    done_ = std::move(done);
    undone_ = std::move(undone);
    base_ = base;
    lastVersion_ = lastVersion;
    lastOpen_ = false;
    trim();
}

void History::trim()
{
    while (done_.size() > limit_) {
        base_ = done_.front().version;
        done_.pop_front();
    }
}

} // namespace qor::edit
