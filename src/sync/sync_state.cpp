// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/sync_state.h"

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/durable_file.h"

namespace vireo::sync {

using Json = nlohmann::json;

namespace {
constexpr int kStateVersion = 1;
// A state file is written by us and is small next to the bookmarks; a far larger one is
// not ours.
constexpr std::uintmax_t kMaxStateBytes = 512u << 20;
} // namespace

bool LoadState(const std::string& path, SyncState& out, std::string& error) {
    out = SyncState{};
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return true;
    auto size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxStateBytes) {
        error = "The sync state file " + path + " cannot be read.";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::stringstream buf;
    buf << in.rdbuf();
    Json j = Json::parse(buf.str(), nullptr, false);
    if (j.is_discarded() || !j.is_object() || j.value("version", 0) != kStateVersion ||
        !j.contains("items") || !j["items"].is_array()) {
        error = "The sync state file " + path + " is damaged.";
        return false;
    }
    try {
        out.dataDir = j.value("dataDir", "");
        out.share = j.value("share", "");
        out.etag = j.value("etag", "");
        out.highestId = j.value("highestId", std::int64_t{-1});
        out.time = j.value("time", std::int64_t{0});
        for (const auto& e : j["items"]) {
            SyncItem item;
            item.id = e.at("id").get<std::string>();
            item.folder = e.value("folder", false);
            item.parent = e.value("parent", "");
            item.title = e.value("title", "");
            item.url = e.value("url", "");
            item.desc = e.value("desc", "");
            item.added = e.value("added", std::int64_t{0});
            item.modified = e.value("modified", std::int64_t{0});
            item.local = e.value("local", "");
            item.fixed = e.value("fixed", false);
            out.tree.Add(std::move(item));
        }
    } catch (const Json::exception&) {
        out = SyncState{};
        error = "The sync state file " + path + " is damaged.";
        return false;
    }
    return true;
}

bool SaveState(const std::string& path, const SyncState& state, std::string& error) {
    Json items = Json::array();
    for (const SyncItem* item : state.tree.Walk()) {
        Json e = {{"id", item->id}, {"parent", item->parent}, {"title", item->title}};
        if (item->folder)
            e["folder"] = true;
        if (!item->url.empty())
            e["url"] = item->url;
        if (!item->desc.empty())
            e["desc"] = item->desc;
        if (item->added)
            e["added"] = item->added;
        if (item->modified)
            e["modified"] = item->modified;
        if (!item->local.empty())
            e["local"] = item->local;
        if (item->fixed)
            e["fixed"] = true;
        items.push_back(std::move(e));
    }
    Json j = {{"version", kStateVersion}, {"dataDir", state.dataDir},     {"share", state.share},
              {"etag", state.etag},       {"highestId", state.highestId}, {"time", state.time},
              {"items", std::move(items)}};
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    // Texts from outside may hold bytes that are not UTF-8: keep them replaced rather
    // than failing the whole sync.
    return sys::WriteFileAtomic(path, j.dump(-1, ' ', false, Json::error_handler_t::replace), &error);
}

} // namespace vireo::sync
