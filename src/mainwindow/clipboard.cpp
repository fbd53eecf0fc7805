// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/clipboard.h"

#include <QUrl>

#include "interchange/netscape.h"
#include "mainwindow/drag_data.h"
#include "mainwindow/drag_drop.h"
#include "mainwindow/drops.h"
#include "mainwindow/facades.h"
#include "store/database.h"

namespace vireo {

namespace {

QString Mime(std::string_view name) {
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

struct Link {
    QString url;
    QString title;
};

void CollectLinks(const Database& db, std::int16_t folder, const std::vector<std::int32_t>& keys,
                  std::vector<Link>& out) {
    const clsBookmark& marks = db.Marks(folder);
    auto add = [&](std::int32_t key) {
        QString url = Utf8ToQString(marks.UrlStr(key));
        if (!url.isEmpty())
            out.push_back({url, Utf8ToQString(marks.NameStr(key))});
    };
    if (!keys.empty()) {
        for (std::int32_t key : keys)
            add(key);
        return;
    }
    // The folder and everything below it, each folder's bookmarks before its subfolders'.
    auto children = db.ChildLists();
    std::vector<std::int16_t> stack{folder};
    std::vector<std::uint8_t> seen(static_cast<std::size_t>(db.FolderSlots()) + 1, 0);
    while (!stack.empty()) {
        std::int16_t f = stack.back();
        stack.pop_back();
        if (seen[static_cast<std::size_t>(f)])
            continue;
        seen[static_cast<std::size_t>(f)] = 1;
        std::int32_t start = 0;
        const clsBookmark& inside = db.Marks(f);
        while (std::int32_t key = db.NextMarkKey(f, start)) {
            QString url = Utf8ToQString(inside.UrlStr(key));
            if (!url.isEmpty())
                out.push_back({url, Utf8ToQString(inside.NameStr(key))});
        }
        const auto& list = children[static_cast<std::size_t>(f)];
        stack.insert(stack.end(), list.rbegin(), list.rend());
    }
}

QByteArray Utf16Le(const QString& text) {
    QByteArray out;
    out.reserve(text.size() * 2);
    for (QChar c : text) {
        out.append(static_cast<char>(c.unicode() & 0xFF));
        out.append(static_cast<char>(c.unicode() >> 8));
    }
    return out;
}

std::int32_t LiveKeys(const Database& db, const DragPayload& payload) {
    if (!db.IsLiveFolder(payload.source))
        return 0;
    std::int32_t n = 0;
    for (std::int32_t key : payload.keys)
        n += key > 0 && db.Marks(payload.source).PositionOf(key) != 0 ? 1 : 0;
    return n;
}

} // namespace

QMimeData* ClipboardData(const Database& db, std::int16_t folder, const std::vector<std::int32_t>& keys,
                         bool cut) {
    auto* data = new QMimeData;
    if (!db.IsLiveFolder(folder))
        return data;
    if (!keys.empty())
        data->setData(Mime(kVireoDataMime), QByteArray::fromStdString(BuildDragData(
                                                cut ? kDragBookmarks : kDragCopyBookmarks, folder, keys)));
    else if (cut)
        data->setData(Mime(kVireoDataMime), QByteArray::fromStdString(BuildDragData(kDragFolder, folder)));
    // A copied folder pastes here from its HTML, which makes new folders of it.

    std::vector<Link> links;
    CollectLinks(db, folder, keys, links);
    QList<QUrl> urls;
    QStringList lines;
    QStringList pairs;
    for (const Link& link : links) {
        urls << QUrl(link.url);
        lines << link.url;
        pairs << link.url << (link.title.isEmpty() ? link.url : link.title);
    }
    data->setUrls(urls);
    data->setText(lines.join(QLatin1Char('\n')));
    data->setData(QStringLiteral("text/x-moz-url"), Utf16Le(pairs.join(QLatin1Char('\n'))));
    data->setHtml(Utf8ToQString(NetscapeFragment(db, folder, keys)));
    return data;
}

PasteOutcome PasteClipboard(Database& db, const Registry& reg, const QMimeData* data, std::int16_t target) {
    PasteOutcome outcome;
    if (!data || !db.IsLiveFolder(target))
        return outcome;
    HistoryStep step(db, "Paste");
    std::string html = data->hasHtml() ? QStringToUtf8(data->html()) : std::string();
    DropContent content = ReadMimeData(data);
    if (content.ours) {
        DragPayload payload;
        if (!ReadDragData(content.payload, payload))
            return outcome;
        bool copyOfGone = payload.kind == kDragCopyBookmarks && LiveKeys(db, payload) == 0;
        if (!copyOfGone) {
            std::int32_t moving = payload.kind <= 2 ? LiveKeys(db, payload) : 0;
            outcome.changed = DropData(db, reg, content, target, {}).changed;
            if (outcome.changed) {
                outcome.bookmarks = moving;
                outcome.folders = payload.kind >= 8 ? 1 : 0;
            }
            return outcome;
        }
        // The copied bookmarks were deleted since: their HTML still has them.
    }
    if (!html.empty() && LooksLikeBookmarkList(html)) {
        ExchangeResult result = PasteNetscapeText(db, html, target);
        outcome.changed = result.ok;
        outcome.bookmarks = result.bookmarks;
        outcome.folders = result.folders;
        outcome.message = Utf8ToQString(result.message);
        return outcome;
    }
    if (content.ours)
        return outcome;
    std::int32_t before = db.Marks(target).Count();
    std::int32_t foldersBefore = db.CountSubFolders(target);
    outcome.changed = DropData(db, reg, content, target, {}).changed;
    outcome.bookmarks = db.Marks(target).Count() - before;
    outcome.folders = db.CountSubFolders(target) - foldersBefore;
    return outcome;
}

} // namespace vireo
