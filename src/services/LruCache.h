#pragma once

#include <cstddef>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

namespace ombrel {

// A thread-safe map from text keys to values that forgets the least recently
// used entries once the summed cost passes its budget.
template <typename Value>
class LruCache {
public:
    explicit LruCache(std::size_t budget) : budget_(budget) {}

    std::optional<Value> find(const std::string& key) {
        std::lock_guard lock(mutex_);
        const auto it = index_.find(key);
        if (it == index_.end()) return std::nullopt;
        entries_.splice(entries_.begin(), entries_, it->second);  // now the most recent
        return it->second->value;
    }

    void insert(const std::string& key, Value value, std::size_t cost) {
        std::lock_guard lock(mutex_);
        if (const auto it = index_.find(key); it != index_.end()) {
            total_ -= it->second->cost;
            entries_.erase(it->second);
            index_.erase(it);
        }
        entries_.push_front({key, std::move(value), cost});
        index_[key] = entries_.begin();
        total_ += cost;
        // Always keep the newest entry, even when it alone is over budget.
        while (total_ > budget_ && entries_.size() > 1) {
            const Entry& last = entries_.back();
            total_ -= last.cost;
            index_.erase(last.key);
            entries_.pop_back();
        }
    }

    void clear() {
        std::lock_guard lock(mutex_);
        entries_.clear();
        index_.clear();
        total_ = 0;
    }

    std::size_t size() const {
        std::lock_guard lock(mutex_);
        return entries_.size();
    }

private:
    struct Entry {
        std::string key;
        Value value;
        std::size_t cost;
    };

    mutable std::mutex mutex_;
    std::list<Entry> entries_;
    std::unordered_map<std::string, typename std::list<Entry>::iterator> index_;
    std::size_t budget_;
    std::size_t total_ = 0;
};

}  // namespace ombrel
