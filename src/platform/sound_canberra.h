// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Event sounds through libcanberra. Playing is handed to a worker thread, so neither
// connecting to the sound server nor a missing one ever holds up the caller.

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "ui/event_sounds.h"

namespace vireo {

class CanberraSoundOutput : public SoundOutput {
public:
    CanberraSoundOutput();
    ~CanberraSoundOutput() override;
    CanberraSoundOutput(const CanberraSoundOutput&) = delete;
    CanberraSoundOutput& operator=(const CanberraSoundOutput&) = delete;

    void PlayFile(const std::string& path) override;

    // Waits until every sound asked for has been handed to the sound system (tests).
    void WaitUntilIdle();

private:
    void Run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    bool m_busy = false;
    std::deque<std::string> m_queue;
    bool m_stop = false;
    std::thread m_worker;
};

} // namespace vireo
