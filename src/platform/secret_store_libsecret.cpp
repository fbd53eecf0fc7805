// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/secret_store_libsecret.h"

#include <libsecret/secret.h>

namespace vireo::sys {

namespace {

const SecretSchema* Schema() {
    static const SecretSchema kSchema = {
        "net.vireo.SyncPassword",
        SECRET_SCHEMA_NONE,
        {
            {"profile", SECRET_SCHEMA_ATTRIBUTE_STRING},
            {"url", SECRET_SCHEMA_ATTRIBUTE_STRING},
            {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
            {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
        },
        0,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
    };
    return &kSchema;
}

bool Failed(GError* err, std::string& error) {
    if (!err)
        return false;
    error = std::string("The desktop's secret store cannot be used: ") + err->message;
    g_error_free(err);
    return true;
}

class SecretStore : public sync::PasswordStore {
public:
    bool Lookup(const std::string& profile, std::string& password, std::string& error) override {
        GError* err = nullptr;
        gchar* found =
            secret_password_lookup_sync(Schema(), nullptr, &err, "profile", profile.c_str(), nullptr);
        if (Failed(err, error))
            return false;
        password = found ? found : "";
        if (found)
            secret_password_free(found);
        return true;
    }

    bool Store(const std::string& profile, const std::string& url, const std::string& user,
               const std::string& password, std::string& error) override {
        // One password per profile: the old entry goes, whatever address it had.
        if (!Remove(profile, error))
            return false;
        GError* err = nullptr;
        std::string label = "Vireo sync: " + profile;
        secret_password_store_sync(Schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), password.c_str(),
                                   nullptr, &err, "profile", profile.c_str(), "url", url.c_str(), "user",
                                   user.c_str(), nullptr);
        return !Failed(err, error);
    }

    bool Remove(const std::string& profile, std::string& error) override {
        GError* err = nullptr;
        secret_password_clear_sync(Schema(), nullptr, &err, "profile", profile.c_str(), nullptr);
        return !Failed(err, error);
    }
};

} // namespace

std::unique_ptr<sync::PasswordStore> MakeSecretStore() {
    return std::make_unique<SecretStore>();
}

} // namespace vireo::sys
