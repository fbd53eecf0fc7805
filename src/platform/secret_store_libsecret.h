// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Sync passwords in the desktop's secret store through libsecret.

#include <memory>

#include "sync/password_store.h"

namespace vireo::sys {

std::unique_ptr<sync::PasswordStore> MakeSecretStore();

} // namespace vireo::sys
