// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The subfolders of every folder at once, in folder-table order (the order in which
// NextSubFolder hands them out), for the writers and searches that walk whole trees:
// asking the table folder by folder would cost a pass over all slots per folder.

#include <cstdint>
#include <vector>

#include "store/database.h"

namespace vireo {

class FolderChildren {
public:
    explicit FolderChildren(const Database& db) : m_children(db.ChildLists()) {}
    const std::vector<std::int16_t>& Of(std::int16_t id) const {
        static const std::vector<std::int16_t> kNone;
        return id >= 0 && static_cast<std::size_t>(id) < m_children.size()
                   ? m_children[static_cast<std::size_t>(id)]
                   : kNone;
    }

private:
    std::vector<std::vector<std::int16_t>> m_children;
};

} // namespace vireo
