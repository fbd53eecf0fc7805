// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The hand-over from the search library's worker thread to the program's one thread: the
// library's callbacks push copies of what they report, and the program takes them off in
// arrival order. The GUI fills in the wake hook (a queued call that drains the queue);
// vireo-cli waits on the queue in a loop.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "search/search_library.h"

namespace vireo {

struct SearchEvent {
    enum class Kind { Result, Status };
    Kind kind = Kind::Status;
    std::string site; // Result: the site as the library named it; Status: the script identifier
    std::string description;
    std::string title;
    std::string address;
    std::int32_t status = 0; // Status only

    static SearchEvent Result(std::string_view site, std::string_view description, std::string_view title,
                              std::string_view address);
    static SearchEvent Status(std::string_view site, std::int32_t status);
    bool operator==(const SearchEvent&) const = default;
};

// Thread-safe; any thread may push, one thread takes.
class SearchEventQueue : public SearchEventSink {
public:
    SearchEventQueue() = default;
    SearchEventQueue(const SearchEventQueue&) = delete;
    SearchEventQueue& operator=(const SearchEventQueue&) = delete;

    void OnResult(std::string_view site, std::string_view description, std::string_view title,
                  std::string_view address) override;
    void OnStatus(std::string_view site, std::int32_t status) override;
    void Push(SearchEvent event);

    // Called (from the pushing thread, with the queue's lock held, so it must not touch
    // the queue) when an event arrives in an empty queue: one wake per batch. Setting an
    // empty function stops the calls; once SetWake returns no call of the old hook runs.
    // A hook set while events wait is called at once.
    void SetWake(std::function<void()> wake);

    // Everything queued so far, oldest first.
    std::vector<SearchEvent> TakeAll();
    // Waits until an event is queued or the time is up; true when one is queued.
    bool WaitForEvents(std::chrono::milliseconds timeout);
    bool Empty() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<SearchEvent> m_events;
    std::function<void()> m_wake;
};

} // namespace vireo
