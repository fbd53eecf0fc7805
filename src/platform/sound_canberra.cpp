// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/sound_canberra.h"

#include <canberra.h>
#include <dlfcn.h>

namespace vireo {

namespace {

// Sounds asked for while the worker is still busy (a slow or absent sound server) are
// dropped beyond this many: a late sound is worse than none.
constexpr std::size_t kMaxQueued = 4;

extern "C" void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// Without a sound server libcanberra falls back to ALSA, which prints a dozen error lines
// on the terminal when the machine has no sound card. Those say nothing the user can act
// on (the program simply stays silent), so ALSA's error reporter is replaced by a quiet
// one. The library is looked up at run time: a machine without it has nothing to quiet,
// and it stays loaded, so the backend that canberra loads later shares the setting.
void QuietAlsaErrors() {
    void* alsa = ::dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (!alsa)
        return;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    if (auto set = reinterpret_cast<SetHandler>(::dlsym(alsa, "snd_lib_error_set_handler")))
        set(&IgnoreAlsaError);
}

} // namespace

CanberraSoundOutput::CanberraSoundOutput() : m_worker([this] { Run(); }) {}

CanberraSoundOutput::~CanberraSoundOutput() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_worker.join();
}

void CanberraSoundOutput::PlayFile(const std::string& path) {
    if (path.empty())
        return;
    {
        std::lock_guard lock(m_mutex);
        if (m_queue.size() >= kMaxQueued)
            return;
        m_queue.push_back(path);
    }
    m_wake.notify_one();
}

void CanberraSoundOutput::WaitUntilIdle() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_queue.empty() && !m_busy; });
}

void CanberraSoundOutput::Run() {
    ca_context* ctx = nullptr;
    bool unavailable = false;
    std::uint32_t id = 0;
    while (true) {
        std::string path;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop)
                break;
            path = std::move(m_queue.front());
            m_queue.pop_front();
            m_busy = true;
        }
        if (!ctx && !unavailable) {
            QuietAlsaErrors();
            if (ca_context_create(&ctx) == CA_SUCCESS) {
                ca_context_change_props(ctx, CA_PROP_APPLICATION_NAME, "Vireo", CA_PROP_APPLICATION_ID,
                                        "vireo", nullptr);
                if (ca_context_open(ctx) != CA_SUCCESS) {
                    ca_context_destroy(ctx);
                    ctx = nullptr;
                    unavailable = true; // no sound system: stay quiet from now on
                }
            } else {
                ctx = nullptr;
                unavailable = true;
            }
        }
        // The result is of no interest: a file that does not play simply stays silent.
        if (ctx)
            ca_context_play(ctx, ++id, CA_PROP_MEDIA_FILENAME, path.c_str(), CA_PROP_MEDIA_ROLE, "event",
                            CA_PROP_CANBERRA_CACHE_CONTROL, "never", nullptr);
        {
            std::lock_guard lock(m_mutex);
            m_busy = false;
        }
        m_idle.notify_all();
    }
    if (ctx)
        ca_context_destroy(ctx);
}

} // namespace vireo
