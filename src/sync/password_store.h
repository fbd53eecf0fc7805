// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where sync passwords are kept: the desktop's secret store, never the settings file.
// One implementation over libsecret in the platform layer; tests use a map.

#include <string>

namespace vireo::sync {

class PasswordStore {
public:
    virtual ~PasswordStore() = default;
    // False with a reason when the store cannot be reached; an absent password gives
    // true and "".
    virtual bool Lookup(const std::string& profile, std::string& password, std::string& error) = 0;
    virtual bool Store(const std::string& profile, const std::string& url, const std::string& user,
                       const std::string& password, std::string& error) = 0;
    virtual bool Remove(const std::string& profile, std::string& error) = 0;
};

} // namespace vireo::sync
