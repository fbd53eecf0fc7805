// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <filesystem>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>
#include <vector>

#include "mainwindow/app_context.h"
#include "mainwindow/app_icons.h"
#include "mainwindow/facades.h"
#include "mainwindow/page_opener.h"
#include "platform/paths.h"
#include "search/engine_templates.h"
#include "search/group_manager.h"
#include "search/search_status_window.h"

namespace vireo {

namespace {

QString Trim(const QString& s) {
    return s.trimmed();
}

} // namespace

frmGroupManage::frmGroupManage(AppContext& ctx, clsSearch& search, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_search(search) {
    setObjectName(QStringLiteral("frmGroupManage"));
    setWindowTitle(QStringLiteral("Manage Search Groups"));
    setWindowIcon(ResourceIcon(QStringLiteral("icon_app")));

    comboNames = new QComboBox(this);
    comboNames->setObjectName(QStringLiteral("comboNames"));
    lstAll = new QListWidget(this);
    lstAll->setObjectName(QStringLiteral("lstAll"));
    lstAll->setMinimumSize(260, 240);
    auto button = [this](const QString& text, const QString& name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        return b;
    };
    cmdNew = button(QStringLiteral("&New"), QStringLiteral("cmdNew"));
    cmdRename = button(QStringLiteral("&Rename"), QStringLiteral("cmdRename"));
    cmdDel = button(QStringLiteral("&Delete"), QStringLiteral("cmdDel"));
    cmdVisitHomePage = button(QStringLiteral("&Visit"), QStringLiteral("cmdVisitHomePage"));
    cmdAddInstance = button(QStringLiteral("Add Se&arXNG..."), QStringLiteral("cmdAddInstance"));
    cmdAddInstance->setToolTip(QStringLiteral("Add an engine for a SearXNG instance of your own"));
    cmdOK = button(QStringLiteral("OK"), QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = button(QStringLiteral("Cancel"), QStringLiteral("cmdCancel"));
    cmdHelp = button(QStringLiteral("&Help"), QStringLiteral("cmdHelp"));
    connect(cmdNew, &QPushButton::clicked, this, &frmGroupManage::cmdNew_Click);
    connect(cmdRename, &QPushButton::clicked, this, &frmGroupManage::cmdRename_Click);
    connect(cmdDel, &QPushButton::clicked, this, &frmGroupManage::cmdDel_Click);
    connect(cmdVisitHomePage, &QPushButton::clicked, this, &frmGroupManage::cmdVisitHomePage_Click);
    connect(cmdAddInstance, &QPushButton::clicked, this, &frmGroupManage::cmdAddInstance_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmGroupManage::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmGroupManage::cmdCancel_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmGroupManage::cmdHelp_Click);
    connect(comboNames, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_loading)
            SelectGroup(index);
    });
    connect(lstAll, &QListWidget::itemChanged, this, &frmGroupManage::ItemChanged);
    connect(lstAll, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* item, QListWidgetItem*) { ItemClicked(item); });

    auto* namesLabel = new QLabel(QStringLiteral("Choose or create a set:"), this);
    namesLabel->setBuddy(comboNames);
    auto* listLabel = new QLabel(QStringLiteral("Modify the set contents:"), this);
    listLabel->setBuddy(lstAll);
    auto* left = new QVBoxLayout;
    left->addWidget(namesLabel);
    left->addWidget(comboNames);
    left->addWidget(listLabel);
    left->addWidget(lstAll, 1);
    // Engines past the library's limit cannot be ticked: say which, not to leave the user
    // looking for them.
    lblLeftOut = new QLabel(this);
    lblLeftOut->setObjectName(QStringLiteral("lblLeftOut"));
    lblLeftOut->setWordWrap(true);
    lblLeftOut->setTextInteractionFlags(Qt::TextSelectableByMouse);
    left->addWidget(lblLeftOut);
    auto* right = new QVBoxLayout;
    for (QPushButton* b : {cmdNew, cmdRename, cmdDel, cmdVisitHomePage, cmdAddInstance})
        right->addWidget(b);
    right->addStretch(1);
    for (QPushButton* b : {cmdOK, cmdCancel, cmdHelp})
        right->addWidget(b);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);

    FillEngines();
}

void frmGroupManage::FillEngines() {
    // The engines by their names, sorted as a reader looks for them (the library orders
    // them by file name), each ticked, with its site index as item data.
    std::vector<std::pair<QString, std::int16_t>> engines;
    for (std::int16_t i = 1; i <= m_search.siteCount(); ++i) {
        std::string name, id, home;
        if (m_search.SiteInfo(i, name, id, home))
            engines.emplace_back(Trim(Utf8ToQString(name)), i);
    }
    std::stable_sort(engines.begin(), engines.end(), [](const auto& a, const auto& b) {
        return QString::localeAwareCompare(a.first.toCaseFolded(), b.first.toCaseFolded()) < 0;
    });
    m_loading = true;
    lstAll->clear();
    for (const auto& [name, index] : engines) {
        auto* item = new QListWidgetItem(name, lstAll);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
        item->setData(Qt::UserRole, static_cast<int>(index));
    }
    m_loading = false;
    lblLeftOut->setText(Utf8ToQString(LeftOutSitesText(m_search.LeftOutSites())));
    lblLeftOut->setVisible(!m_search.LeftOutSites().empty());
    // Nothing to visit until an engine with a home page is chosen.
    cmdVisitHomePage->setEnabled(false);
}

SearchGroupTable& frmGroupManage::Table() {
    return m_ctx.program.Search.groups;
}

void frmGroupManage::FillNames(std::int32_t select) {
    m_loading = true;
    comboNames->clear();
    comboNames->addItem(QStringLiteral("All Sites"));
    const SearchGroupTable& table = Table();
    for (std::size_t i = 1; i < table.entries.size(); ++i)
        comboNames->addItem(Utf8ToQString(table.entries[i].name));
    m_loading = false;
    if (select < 0 || select >= comboNames->count())
        select = 0;
    m_loading = true;
    comboNames->setCurrentIndex(select);
    m_loading = false;
    SelectGroup(select);
}

int frmGroupManage::LoadGroupManagerForm() {
    FillNames(InitialGroup);
    // Closed any way but OK (Cancel, Escape, the close box) is cancelled.
    m_cancelled = m_ctx.dialogs.RunDialog(*this) != QDialog::Accepted;
    return m_cancelled ? 1 : 0;
}

void frmGroupManage::SelectGroup(std::int32_t index) {
    m_loading = true;
    bool all = index <= 0 || !Table().IsIndex(index);
    const SearchGroup& group = Table().At(index);
    for (int i = 0; i < lstAll->count(); ++i) {
        QListWidgetItem* item = lstAll->item(i);
        bool ticked = all || GroupHasEngine(group, QStringToUtf8(item->text()));
        item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
    // The built-in group is every engine: nothing of it can be edited.
    lstAll->setEnabled(!all);
    cmdRename->setEnabled(!all);
    cmdDel->setEnabled(!all);
    m_loading = false;
}

void frmGroupManage::ItemChanged(QListWidgetItem* item) {
    if (m_loading || !item)
        return;
    std::int32_t group = comboNames->currentIndex();
    if (group <= 0)
        return;
    SetGroupEngine(Table(), group, QStringToUtf8(Trim(item->text())), item->checkState() == Qt::Checked);
}

void frmGroupManage::ItemClicked(QListWidgetItem* item) {
    std::string name, id, home;
    bool known = item && m_search.SiteInfo(static_cast<std::int16_t>(item->data(Qt::UserRole).toInt()), name,
                                           id, home);
    if (known)
        cmdVisitHomePage->setText(QStringLiteral("Visit ") + Trim(Utf8ToQString(name)));
    cmdVisitHomePage->setEnabled(known && !Trim(Utf8ToQString(home)).isEmpty());
}

void frmGroupManage::cmdVisitHomePage_Click() {
    QListWidgetItem* item = lstAll->currentItem();
    if (!item)
        return;
    std::string name, id, home;
    if (m_search.SiteInfo(static_cast<std::int16_t>(item->data(Qt::UserRole).toInt()), name, id, home) &&
        !home.empty())
        OpenPage(m_ctx, Utf8ToQString(home).trimmed());
}

void frmGroupManage::cmdAddInstance_Click() {
    const QString title = QStringLiteral("Add SearXNG Instance");
    std::optional<QString> answer = m_ctx.dialogs.InputText(
        this, QStringLiteral("Address of your SearXNG instance (its settings must allow the JSON format):"),
        title, QStringLiteral("https://"));
    if (!answer || answer->trimmed().isEmpty() || answer->trimmed() == QStringLiteral("https://"))
        return;
    const SearchContext& sc = m_search.Context();
    std::string userFolder = sys::DataHome() + "/Vireo/engines";
    TemplateEngine made;
    std::string error;
    if (!AddEngineFromTemplate(sc.programFolder, userFolder, "searxng", QStringToUtf8(answer->trimmed()),
                               made, error)) {
        m_ctx.dialogs.Message(this, QStringLiteral("The engine could not be added:\n") + Utf8ToQString(error),
                              title, MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    // Only an engine the library lists can be searched; one it cannot read is not kept.
    bool listed =
        m_search.ReloadSites(made.name) && std::any_of(m_search.Sites().begin(), m_search.Sites().end(),
                                                       [&](const SiteEntry& s) { return s.id == made.path; });
    if (!listed) {
        std::error_code ec;
        std::filesystem::remove(made.path, ec);
        m_ctx.dialogs.Message(this,
                              QStringLiteral("The search library does not take the engine made for ") +
                                  Utf8ToQString(made.address) + QStringLiteral("; it was not kept."),
                              title, MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    FillEngines();
    // The group being edited gets the new engine, which is what adding it here is for.
    std::int32_t group = comboNames->currentIndex();
    if (group > 0)
        SetGroupEngine(Table(), group, made.name, true);
    SelectGroup(group);
    for (int i = 0; i < lstAll->count(); ++i) {
        if (QStringToUtf8(Trim(lstAll->item(i)->text())) == made.name)
            lstAll->setCurrentRow(i);
    }
}

void frmGroupManage::cmdNew_Click() {
    std::optional<QString> answer = m_ctx.dialogs.InputText(this, QStringLiteral("New Group Name?"),
                                                            QStringLiteral("Create New Search Group"), {});
    if (!answer || answer->trimmed().isEmpty())
        return;
    std::int32_t index = -1;
    switch (AddGroup(Table(), QStringToUtf8(answer->trimmed()), &index)) {
    case GroupEditResult::Done:
        FillNames(index);
        return;
    case GroupEditResult::NameExists:
        m_ctx.dialogs.Message(this, Utf8ToQString(GroupExistsMessage(QStringToUtf8(answer->trimmed()))),
                              Utf8ToQString(kGroupExistsTitle), MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    case GroupEditResult::BadName:
        m_ctx.dialogs.Message(this, QStringLiteral("A group name cannot contain \"\\\"."),
                              QStringLiteral("Create New Search Group"), MsgButtons::Ok,
                              MsgIcon::Exclamation);
        return;
    default:
        return;
    }
}

void frmGroupManage::cmdRename_Click() {
    std::int32_t group = comboNames->currentIndex();
    if (group <= 0)
        return;
    std::optional<QString> answer = m_ctx.dialogs.InputText(this, QStringLiteral("New Group Name?"),
                                                            QStringLiteral("Rename Search Group"),
                                                            Utf8ToQString(Table().At(group).name).trimmed());
    if (!answer || answer->trimmed().isEmpty())
        return;
    std::int32_t index = -1;
    switch (RenameGroup(Table(), m_ctx.reg, m_search.Context().library, m_search.Sites(), group,
                        QStringToUtf8(answer->trimmed()), &index)) {
    case GroupEditResult::Done:
        FillNames(index);
        return;
    case GroupEditResult::NameExists:
        m_ctx.dialogs.Message(this, Utf8ToQString(GroupExistsMessage(QStringToUtf8(answer->trimmed()))),
                              Utf8ToQString(kGroupExistsTitle), MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    case GroupEditResult::BadName:
        m_ctx.dialogs.Message(this, QStringLiteral("A group name cannot contain \"\\\"."),
                              QStringLiteral("Rename Search Group"), MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    default:
        return;
    }
}

void frmGroupManage::cmdDel_Click() {
    std::int32_t group = comboNames->currentIndex();
    if (group <= 0)
        return;
    QString text = QStringLiteral("Are you sure you want to delete\nthe group ") +
                   Utf8ToQString(Table().At(group).name).trimmed() + QStringLiteral("?");
    if (m_ctx.dialogs.Message(this, text, QStringLiteral("Delete Group"), MsgButtons::YesNo,
                              MsgIcon::Question) != MsgResult::Yes)
        return;
    DeleteGroup(Table(), m_ctx.reg, m_search.Context().library, m_search.Sites(), group);
    FillNames(std::min<std::int32_t>(group, Table().GroupCount()));
}

void frmGroupManage::cmdOK_Click() {
    SaveGroups(Table(), m_ctx.reg);
    m_search.SetSearchGroupIndex(static_cast<std::int16_t>(std::max(0, comboNames->currentIndex())));
    m_cancelled = false;
    accept();
}

void frmGroupManage::cmdCancel_Click() {
    m_cancelled = true;
    // Ticks and new groups not confirmed with OK must not reach later searches: the table
    // goes back to what the settings hold (renames and deletions are stored at once).
    LoadGroups(Table(), m_ctx.reg, m_search.Context().library, m_search.Sites());
    QDialog::reject();
}

void frmGroupManage::cmdHelp_Click() {
    OpenPage(m_ctx, SearchHelpPage());
}

} // namespace vireo
