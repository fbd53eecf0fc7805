// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/search_events.h"

namespace vireo {

SearchEvent SearchEvent::Result(std::string_view site, std::string_view description, std::string_view title,
                                std::string_view address) {
    SearchEvent e;
    e.kind = Kind::Result;
    e.site = site;
    e.description = description;
    e.title = title;
    e.address = address;
    return e;
}

SearchEvent SearchEvent::Status(std::string_view site, std::int32_t status) {
    SearchEvent e;
    e.kind = Kind::Status;
    e.site = site;
    e.status = status;
    return e;
}

void SearchEventQueue::OnResult(std::string_view site, std::string_view description, std::string_view title,
                                std::string_view address) {
    Push(SearchEvent::Result(site, description, title, address));
}

void SearchEventQueue::OnStatus(std::string_view site, std::int32_t status) {
    Push(SearchEvent::Status(site, status));
}

void SearchEventQueue::Push(SearchEvent event) {
    std::lock_guard lock(m_mutex);
    bool wasEmpty = m_events.empty();
    m_events.push_back(std::move(event));
    m_arrived.notify_all();
    // One wake per batch: the drain that follows takes everything queued by then.
    if (wasEmpty && m_wake)
        m_wake();
}

void SearchEventQueue::SetWake(std::function<void()> wake) {
    std::lock_guard lock(m_mutex);
    m_wake = std::move(wake);
    // Reports that came before the hook would otherwise wait for the next one.
    if (m_wake && !m_events.empty())
        m_wake();
}

std::vector<SearchEvent> SearchEventQueue::TakeAll() {
    std::lock_guard lock(m_mutex);
    std::vector<SearchEvent> out(std::make_move_iterator(m_events.begin()),
                                 std::make_move_iterator(m_events.end()));
    m_events.clear();
    return out;
}

bool SearchEventQueue::WaitForEvents(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_arrived.wait_for(lock, timeout, [this] { return !m_events.empty(); });
}

bool SearchEventQueue::Empty() const {
    std::lock_guard lock(m_mutex);
    return m_events.empty();
}

} // namespace vireo
