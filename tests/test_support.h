// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared helpers of the core tests: throw-away folders and recording stand-ins for the
// services the store calls.

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "store/store_services.h"

namespace vireo::test {

// A fresh folder under $TMPDIR, removed again at the end of the test.
class TempDir {
public:
    TempDir() {
        static std::atomic<int> counter{0};
        const char* base = std::getenv("TMPDIR");
        m_path = std::filesystem::path(base && *base ? base : "/tmp") /
                 ("vireo-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string str() const { return m_path.string(); }
    std::string file(std::string_view name) const { return (m_path / std::string(name)).string(); }

private:
    std::filesystem::path m_path;
};

// A file's bytes, "" when it cannot be read.
inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The file written whole, with the folders it needs.
inline void WriteText(const std::filesystem::path& path, std::string_view text) {
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(text.data(), static_cast<std::streamsize>(text.size()));
}

// A tree view that keeps the nodes it was given, so tests can look at the tree.
class RecordingTree : public FolderTreeView {
public:
    struct Node {
        std::string parent;
        std::string text;
        int image = 0;
    };
    void ClearNodes() override {
        nodes.clear();
        order.clear();
    }
    void AddNode(std::string_view parentKey, std::string_view key, std::string_view text,
                 int image) override {
        nodes[std::string(key)] = {std::string(parentKey), std::string(text), image};
        order.emplace_back(key);
    }
    void MoveNode(std::string_view key, std::string_view newParentKey) override {
        nodes[std::string(key)].parent = std::string(newParentKey);
    }
    void RemoveNode(std::string_view key) override {
        // Children go with their node, as in a real tree.
        std::vector<std::string> doomed{std::string(key)};
        for (std::size_t i = 0; i < doomed.size(); ++i) {
            for (const auto& [k, n] : nodes) {
                if (n.parent == doomed[i])
                    doomed.push_back(k);
            }
        }
        for (const auto& k : doomed)
            nodes.erase(k);
    }
    void SetNodeText(std::string_view key, std::string_view text) override {
        nodes[std::string(key)].text = text;
    }
    void ExpandNode(std::string_view) override {}
    void SelectNode(std::string_view key) override { selected = std::string(key); }

    std::map<std::string, Node> nodes;
    std::vector<std::string> order;
    std::string selected;
};

class RecordingSounds : public EventSoundPlayer {
public:
    void PlayEventSound(SoundEvent event) override { played.push_back(event); }
    std::vector<SoundEvent> played;
};

class CountingBusy : public BusyIndicator {
public:
    void BeginBusy() override { ++depth; }
    void EndBusy() override { --depth; }
    int depth = 0;
};

class CountingList : public BookmarkListView {
public:
    void FillBookmarkList() override { ++fills; }
    int fills = 0;
};

class FixedOptions : public StoreOptions {
public:
    bool DeleteBmksImmediately() const override { return deleteImmediately; }
    bool deleteImmediately = false;
};

} // namespace vireo::test
