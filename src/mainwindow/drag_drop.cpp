// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/drag_drop.h"

#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "interchange/favorites.h"
#include "interchange/folder_walk.h"
#include "mainwindow/app_icons.h"
#include "mainwindow/bookmark_dialog.h"
#include "mainwindow/facades.h"
#include "mainwindow/main_window.h"
#include "shell/options.h"
#include "store/database.h"
#include "store/strings.h"
#include "store/text_codec.h"

namespace vireo {

namespace {

const QString kPayloadMime =
    QString::fromLatin1(kVireoDataMime.data(), static_cast<qsizetype>(kVireoDataMime.size()));
const QString kTextMime = QStringLiteral("text/plain");
const QString kUriListMime = QStringLiteral("text/uri-list");
const QString kMozUrlMime = QStringLiteral("text/x-moz-url");
const QString kNetscapeUrlMime = QStringLiteral("_NETSCAPE_URL");

// Near the top or bottom edge of the tree a drag scrolls it.
constexpr int kScrollMargin = 20;
constexpr int kExpandDelayMs = 700;
constexpr int kScrollIntervalMs = 60;

std::string Bytes(const QByteArray& a) {
    return std::string(a.constData(), static_cast<std::size_t>(a.size()));
}

// The picture under the pointer while dragging: the icon of what is dragged, with the
// number of bookmarks when there is more than one.
QPixmap DragPicture(int image, int count) {
    QPixmap icon = ImageListIcon(image).pixmap(32, 32);
    if (count <= 1)
        return icon;
    QPixmap out(44, 36);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawPixmap(0, 4, icon);
    QString number = count > 999 ? QStringLiteral("999+") : QString::number(count);
    QFont font = p.font();
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    QRect badge(22, 0, std::max(20, QFontMetrics(font).horizontalAdvance(number) + 8), 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 90, 200));
    p.drawRoundedRect(badge, 8, 8);
    p.setPen(Qt::white);
    p.drawText(badge, Qt::AlignCenter, number);
    return out;
}

} // namespace

std::string DragFileArea::NewFolder() {
    if (!m_root) {
        m_root =
            std::make_unique<QTemporaryDir>(Utf8ToQString(m_tempDir) + QStringLiteral("/vireo-drag-XXXXXX"));
        if (!m_root->isValid()) {
            m_root.reset();
            return {};
        }
    }
    QString dir = m_root->filePath(QString::number(++m_next));
    std::error_code ec;
    std::filesystem::create_directory(QStringToUtf8(dir), ec);
    return ec ? std::string() : QStringToUtf8(dir);
}

VireoMimeData* VireoMimeData::ForBookmarks(const Database& db, DragFileArea& files, std::int16_t folder,
                                           std::vector<std::int32_t> keys) {
    auto* data = new VireoMimeData(db, files, kDragBookmarks, folder);
    data->m_keys = std::move(keys);
    return data;
}

VireoMimeData* VireoMimeData::ForFolder(const Database& db, DragFileArea& files, std::int16_t folder,
                                        const QString& nodeText) {
    auto* data = new VireoMimeData(db, files, kDragFolder, folder);
    data->m_nodeText = nodeText;
    return data;
}

QStringList VireoMimeData::formats() const {
    return {kPayloadMime, kTextMime, kUriListMime};
}

QVariant VireoMimeData::retrieveData(const QString& mimeType, QMetaType type) const {
    if (mimeType == kPayloadMime)
        return Payload();
    if (mimeType == kTextMime) {
        QString text = Addresses();
        return type.id() == QMetaType::QString ? QVariant(text) : QVariant(text.toUtf8());
    }
    if (mimeType == kUriListMime) {
        const QList<QUrl>& urls = Files();
        if (type.id() == QMetaType::QVariantList || type.id() == QMetaType::QUrl) {
            QVariantList list;
            for (const QUrl& url : urls)
                list << url;
            return list;
        }
        QByteArray bytes;
        for (const QUrl& url : urls)
            bytes += url.toEncoded() + "\r\n";
        return bytes;
    }
    return {};
}

QByteArray VireoMimeData::Payload() const {
    std::string bytes = BuildDragData(m_kind, m_folder, m_keys);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString VireoMimeData::Addresses() const {
    QStringList lines;
    if (m_kind == kDragBookmarks) {
        if (!m_db.IsSlot(m_folder))
            return {};
        for (std::int32_t key : m_keys) {
            std::string url = m_db.Marks(m_folder).UrlStr(key);
            if (!url.empty())
                lines << Utf8ToQString(text::EncodeLineBreaks(url));
        }
    } else {
        // The folder's own bookmarks first, then those of the folders below it.
        if (!m_db.IsLiveFolder(m_folder))
            return {};
        FolderChildren children(m_db);
        std::vector<std::uint8_t> seen(static_cast<std::size_t>(m_db.FolderSlots()) + 1, 0);
        std::vector<std::int16_t> folders{m_folder};
        seen[static_cast<std::size_t>(m_folder)] = 1;
        for (std::size_t i = 0; i < folders.size(); ++i) {
            std::int32_t cursor = 0;
            while (std::int32_t key = m_db.NextMarkKey(folders[i], cursor)) {
                std::string url = m_db.Marks(folders[i]).UrlStr(key);
                if (!url.empty())
                    lines << Utf8ToQString(text::EncodeLineBreaks(url));
            }
            for (std::int16_t child : children.Of(folders[i])) {
                if (!seen[static_cast<std::size_t>(child)]) {
                    seen[static_cast<std::size_t>(child)] = 1;
                    folders.push_back(child);
                }
            }
        }
    }
    return lines.isEmpty() ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

const QList<QUrl>& VireoMimeData::Files() const {
    if (m_fileUrls)
        return *m_fileUrls;
    m_fileUrls.emplace();
    ++m_fileRenderings;
    std::string dir = m_files.NewFolder();
    if (dir.empty() || !m_db.IsLiveFolder(m_folder))
        return *m_fileUrls;
    if (m_kind == kDragBookmarks) {
        FavNameTable names;
        for (std::int32_t key : m_keys) {
            if (m_db.Marks(m_folder).PositionOf(key) == 0)
                continue;
            std::string path = WriteUrlFile(m_db, m_folder, key, dir, &names);
            if (!path.empty())
                m_fileUrls->append(QUrl::fromLocalFile(Utf8ToQString(path)));
        }
    } else {
        std::string path = dir + "/" + SafeDirName(text::TrimSpaces(QStringToUtf8(m_nodeText)));
        std::string exportPath = path;
        int depth = 1;
        FavNameTable names;
        FavExportProgress progress;
        ExportFavFolder(m_db, m_folder, exportPath, depth, names, progress);
        if (progress.folders > 0)
            m_fileUrls->append(QUrl::fromLocalFile(Utf8ToQString(path)));
    }
    return *m_fileUrls;
}

DropContent ReadMimeData(const QMimeData* data) {
    DragFormats formats;
    if (!data)
        return {};
    if (data->hasFormat(kPayloadMime)) {
        // Our own drag: nothing else is asked for, so no shortcut files get written.
        formats.payload = Bytes(data->data(kPayloadMime));
        return ReadDropFormats(formats);
    }
    if (data->hasFormat(kUriListMime))
        formats.uriList = Bytes(data->data(kUriListMime));
    if (data->hasFormat(kTextMime))
        formats.plainText = QStringToUtf8(data->text());
    if (data->hasFormat(kMozUrlMime))
        formats.mozUrl = Bytes(data->data(kMozUrlMime));
    if (data->hasFormat(kNetscapeUrlMime))
        formats.netscapeUrl = Bytes(data->data(kNetscapeUrlMime));
    if (data->hasHtml())
        formats.html = QStringToUtf8(data->html());
    return ReadDropFormats(formats);
}

bool CanDrop(const QMimeData* data) {
    return data && (data->hasFormat(kPayloadMime) || data->hasUrls() || data->hasText() || data->hasHtml() ||
                    data->hasFormat(kMozUrlMime) || data->hasFormat(kNetscapeUrlMime));
}

DragDrop::DragDrop(frmMain& main)
    : QObject(&main), m_main(main), m_treePort(main.TreeView->viewport()),
      m_listPort(main.ListView->viewport()), m_logo(main.imgLogo), m_files(main.Context().program.tempDir) {
    setObjectName(QStringLiteral("DragDrop"));
    for (QWidget* target : {m_treePort.data(), m_listPort.data(), main.centralWidget(), m_logo.data()}) {
        target->setAcceptDrops(true);
        target->installEventFilter(this);
    }
    // A drop on the summary pane counts as one on the window.
    main.rtDetail->setAcceptDrops(false);
    main.rtDetail->viewport()->setAcceptDrops(false);
    connect(main.Timer, &QTimer::timeout, this, &DragDrop::Timer_Timer);

    m_expandTimer.setSingleShot(true);
    m_expandTimer.setInterval(kExpandDelayMs);
    connect(&m_expandTimer, &QTimer::timeout, this, [this] {
        QTreeWidgetItem* item = m_main.TreeView->DropHighlight();
        if (item && KeyToInt(QStringToUtf8(FolderTree::KeyOf(item))) == m_expandFolder)
            item->setExpanded(true);
    });
    m_scrollTimer.setInterval(kScrollIntervalMs);
    connect(&m_scrollTimer, &QTimer::timeout, this, [this] {
        QScrollBar* bar = m_main.TreeView->verticalScrollBar();
        bar->setValue(bar->value() + m_scrollStep);
    });
}

DragDrop::~DragDrop() = default;

VireoMimeData* DragDrop::ListDragData() {
    std::int16_t folder = m_main.SelectedFolder();
    std::vector<std::int32_t> keys = m_main.ListView->SelectedBookmarks();
    if (keys.empty() || !m_main.Db().IsLiveFolder(folder))
        return nullptr;
    return VireoMimeData::ForBookmarks(m_main.Db(), m_files, folder, std::move(keys));
}

VireoMimeData* DragDrop::TreeDragData() {
    QTreeWidgetItem* node = m_main.TreeView->currentItem();
    std::int16_t folder = m_main.SelectedFolder();
    if (!node || !m_main.Db().IsLiveFolder(folder))
        return nullptr;
    return VireoMimeData::ForFolder(m_main.Db(), m_files, folder, node->text(0));
}

AskForBookmark DragDrop::Asker() {
    return [this](const BookmarkRecord& record) {
        m_pending.push_back(record);
        m_main.Timer->start();
    };
}

void DragDrop::AfterDrop(const DropOutcome& outcome) {
    if (outcome.selectFolder)
        m_main.SelectFolder(outcome.selectFolder);
    m_main.TreeView->SetDropHighlight(nullptr);
    m_main.FillBookmarkList();
    if (outcome.changed)
        m_main.ScheduleSave();
}

bool DragDrop::TreeDrop(const QMimeData* data, const QPoint& viewportPos) {
    EndTreeDrag();
    QTreeWidgetItem* node = m_main.TreeView->itemAt(viewportPos);
    m_main.TreeView->SetDropHighlight(node);
    if (!node) {
        m_main.Db().PlaySound(SoundEvent::RejectBookmark);
        m_main.TreeView->SetDropHighlight(nullptr);
        m_main.FillBookmarkList();
        return false;
    }
    std::int16_t folder = KeyToInt(QStringToUtf8(FolderTree::KeyOf(node)));
    DropOutcome outcome = DropData(m_main.Db(), m_main.Context().reg, ReadMimeData(data), folder, Asker());
    // The node may have moved, but it is still there: it becomes the selected folder.
    outcome.selectFolder = folder;
    AfterDrop(outcome);
    return true;
}

void DragDrop::ListDrop(const QMimeData* data) {
    AfterDrop(
        DropData(m_main.Db(), m_main.Context().reg, ReadMimeData(data), m_main.SelectedFolder(), Asker()));
}

void DragDrop::FormDrop(const QMimeData* data) {
    AfterDrop(DropOnFolder(m_main.Db(), m_main.Context().reg, ReadMimeData(data), GetDropFolder(), Asker()));
}

void DragDrop::LogoDrop(const QMimeData* data) {
    // The list may be showing the folder the link went to.
    AfterDrop(DropOnFolder(m_main.Db(), m_main.Context().reg, ReadMimeData(data), GetDropFolder(), Asker()));
}

void DragDrop::FileShortcuts(const QStringList& paths) {
    Database& db = m_main.Db();
    std::int16_t folder = GetDropFolder();
    std::int32_t before = db.Marks(folder).Total();
    QStringList problems;
    for (const QString& path : paths) {
        if (AddDroppedFile(db, m_main.Context().reg, QFile::encodeName(path).toStdString(), kFlagsDroppedFile,
                           folder, Asker()))
            continue;
        QFileInfo file(path);
        QString why = !file.exists()       ? QStringLiteral("there is no such file")
                      : file.isDir()       ? QStringLiteral("it is a folder, not a shortcut file")
                      : !file.isReadable() ? QStringLiteral("it cannot be read")
                                           : QStringLiteral("it holds no web address (Vireo files Internet "
                                                            "shortcuts, .url files)");
        problems << QStringLiteral("\"%1\": %2").arg(QDir::toNativeSeparators(path), why);
    }
    std::int32_t after = db.Marks(folder).Total();
    DropOutcome outcome;
    outcome.changed = after > before;
    outcome.selectFolder = folder;
    AfterDrop(outcome);
    if (outcome.changed) {
        std::int32_t key = db.Marks(folder).key(after);
        if (QTreeWidgetItem* row = m_main.ListView->Row(key)) {
            m_main.ListView->clearSelection();
            m_main.ListView->setCurrentItem(row);
            m_main.ListView->scrollToItem(row);
            m_main.ShowBookmarkSummary(folder, key);
        }
    }
    if (problems.isEmpty())
        return;
    QString text = problems.size() == 1
                       ? QStringLiteral("This file could not be filed as a bookmark:\n\n%1.").arg(problems[0])
                       : QStringLiteral("These files could not be filed as bookmarks:\n\n• %1.")
                             .arg(problems.join(QStringLiteral(";\n• ")));
    m_main.Context().dialogs.Message(&m_main, text, Utf8ToQString(LoadResString(4)), MsgButtons::Ok,
                                     MsgIcon::Exclamation);
}

void DragDrop::Timer_Timer() {
    m_main.Timer->stop();
    if (m_pending.empty())
        return;
    // The copy buffer may have been taken for something else since the drop.
    m_main.Db().copyBuffer = m_pending.front();
    m_pending.pop_front();
    {
        HistoryStep step(m_main.Db(), "Add Link");
        frmBMDialog dialog(m_main);
        m_main.Context().dialogs.RunDialog(dialog);
    }
    if (!m_pending.empty())
        m_main.Timer->start();
}

void DragDrop::StartDrag(QWidget* source, VireoMimeData* data) {
    if (!data)
        return;
    int count =
        data->Kind() == kDragBookmarks ? static_cast<int>(m_main.ListView->SelectedBookmarks().size()) : 1;
    int image = 2;
    if (data->Kind() == kDragFolder) {
        std::int16_t folder = m_main.SelectedFolder();
        image = FolderImage(folder, FolderKindOf(m_main.Db().Folder(folder)));
    }
    auto* drag = new QDrag(source);
    drag->setMimeData(data);
    QPixmap picture = DragPicture(image, count);
    drag->setPixmap(picture);
    drag->setHotSpot(QPoint(-8, -8));
    drag->exec(Qt::MoveAction, Qt::MoveAction);
    EndTreeDrag();
}

void DragDrop::TreeDragMove(const QPoint& pos) {
    FolderTree* tree = m_main.TreeView;
    QTreeWidgetItem* node = tree->itemAt(pos);
    tree->SetDropHighlight(node);
    std::int16_t folder = node ? KeyToInt(QStringToUtf8(FolderTree::KeyOf(node))) : 0;
    if (node && node->childCount() > 0 && !node->isExpanded()) {
        if (folder != m_expandFolder || !m_expandTimer.isActive()) {
            m_expandFolder = folder;
            m_expandTimer.start();
        }
    } else {
        m_expandFolder = 0;
        m_expandTimer.stop();
    }
    int height = tree->viewport()->height();
    m_scrollStep = pos.y() < kScrollMargin ? -1 : pos.y() > height - kScrollMargin ? 1 : 0;
    m_scrollStep *= std::max(1, tree->verticalScrollBar()->singleStep());
    if (m_scrollStep == 0)
        m_scrollTimer.stop();
    else if (!m_scrollTimer.isActive())
        m_scrollTimer.start();
}

void DragDrop::EndTreeDrag() {
    m_expandTimer.stop();
    m_scrollTimer.stop();
    m_expandFolder = 0;
    m_main.TreeView->SetDropHighlight(nullptr);
}

void DragDrop::ChooseAction(QDropEvent* event) {
    // Our own drags move. Anything else is copied: a file manager told "moved" would
    // delete the shortcut file the user dropped.
    bool ours = event->mimeData() && event->mimeData()->hasFormat(kPayloadMime);
    Qt::DropActions possible = event->possibleActions();
    if (ours && (possible & Qt::MoveAction))
        event->setDropAction(Qt::MoveAction);
    else if (possible & Qt::CopyAction)
        event->setDropAction(Qt::CopyAction);
    else if (possible & Qt::LinkAction)
        event->setDropAction(Qt::LinkAction);
    else
        event->setDropAction(event->proposedAction());
    event->accept();
}

bool DragDrop::AcceptUsable(QDropEvent* event) {
    if (!CanDrop(event->mimeData())) {
        event->ignore();
        return false;
    }
    ChooseAction(event);
    return true;
}

bool DragDrop::eventFilter(QObject* watched, QEvent* event) {
    // Only pointers that follow their widgets: events still arrive while the window is
    // being taken apart.
    QWidget* treePort = m_treePort.data();
    QWidget* listPort = m_listPort.data();
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        m_pressWidget = nullptr;
        if (me->button() != Qt::LeftButton)
            break;
        QPoint pos = me->position().toPoint();
        if ((watched == treePort && m_main.TreeView->itemAt(pos)) ||
            (watched == listPort && m_main.ListView->BookmarkAt(pos))) {
            m_pressWidget = static_cast<QWidget*>(watched);
            m_pressPos = pos;
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        m_pressWidget = nullptr;
        break;
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (!m_pressWidget || watched != m_pressWidget || !(me->buttons() & Qt::LeftButton))
            break;
        if (m_main.TreeView->IsEditing())
            break;
        // While the button is held over a pressed row the view must not select along
        // the way: the move either becomes a drag or nothing.
        if ((me->position().toPoint() - m_pressPos).manhattanLength() < QApplication::startDragDistance())
            return true;
        QWidget* source = m_pressWidget;
        m_pressWidget = nullptr;
        StartDrag(source, source == treePort ? TreeDragData() : ListDragData());
        return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* de = static_cast<QDragMoveEvent*>(event);
        if (AcceptUsable(de) && watched == treePort)
            TreeDragMove(de->position().toPoint());
        return true;
    }
    case QEvent::DragLeave:
        if (watched == treePort)
            EndTreeDrag();
        return true;
    case QEvent::Drop: {
        auto* de = static_cast<QDropEvent*>(event);
        if (!AcceptUsable(de))
            return true;
        if (watched == treePort)
            TreeDrop(de->mimeData(), de->position().toPoint());
        else if (watched == listPort)
            ListDrop(de->mimeData());
        else if (watched == m_logo)
            LogoDrop(de->mimeData());
        else
            FormDrop(de->mimeData());
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vireo
