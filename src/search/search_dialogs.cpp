// SPDX-License-Identifier: GPL-3.0-or-later
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLineEdit>
#include <QVBoxLayout>

#include "mainwindow/app_context.h"
#include "mainwindow/app_icons.h"
#include "mainwindow/facades.h"
#include "mainwindow/main_window.h"
#include "search/advanced_search_dialog.h"
#include "search/connection_prompt.h"
#include "search/engine_update.h"
#include "search/query_translation.h"
#include "search/quick_search_dialog.h"
#include "search/search_settings.h"
#include "search/search_windows.h"

namespace vireo {

namespace {

QLabel* Logo(QWidget* parent) {
    auto* logo = new QLabel(parent);
    logo->setObjectName(QStringLiteral("imgLogo"));
    logo->setPixmap(ResourcePixmap(QStringLiteral("searchlogo"), QSize(48, 48)));
    logo->setFixedSize(52, 52);
    logo->setAlignment(Qt::AlignCenter);
    return logo;
}

QComboBox* QueryBox(QWidget* parent, const QString& name) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumWidth(300);
    return box;
}

// The history into a query box, newest first, with entry `index` selected.
void FillHistory(QComboBox* box, SearchHistory& history, const Registry& reg, std::int32_t index) {
    box->clear();
    if (!history.Load(reg))
        return;
    for (const std::string& entry : history.NonEmpty())
        box->addItem(Utf8ToQString(entry));
    if (index >= 0 && index < box->count())
        box->setCurrentIndex(index);
}

QPushButton* Button(QWidget* parent, const QString& text, const QString& name) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    return button;
}

} // namespace

// --- Quick Search --------------------------------------------------------------------------

frmSearchQuick::frmSearchQuick(SearchWindows& owner, QWidget* parent) : QDialog(parent), m_owner(owner) {
    setObjectName(QStringLiteral("frmSearchQuick"));
    setWindowTitle(QStringLiteral("Quick Search"));
    setWindowIcon(ResourceIcon(QStringLiteral("icon_app")));
    setAttribute(Qt::WA_DeleteOnClose);

    imgLogo = Logo(this);
    comboQuickQuery = QueryBox(this, QStringLiteral("comboQuickQuery"));
    cmdSearch = Button(this, QStringLiteral("Search"), QStringLiteral("cmdSearch"));
    cmdSearch->setDefault(true);
    cmdAdvanced = Button(this, QStringLiteral("Advanced"), QStringLiteral("cmdAdvanced"));
    cmdUpdateScripts = Button(this, QStringLiteral("Check Engines"), QStringLiteral("cmdUpdateScripts"));
    cmdCancel = Button(this, QStringLiteral("Cancel"), QStringLiteral("cmdCancel"));
    connect(cmdSearch, &QPushButton::clicked, this, &frmSearchQuick::cmdSearch_Click);
    // The query box takes Enter itself when it holds an entry of its list (a prefilled
    // box does): Enter there searches all the same.
    connect(comboQuickQuery->lineEdit(), &QLineEdit::returnPressed, cmdSearch, &QPushButton::click);
    connect(cmdAdvanced, &QPushButton::clicked, this, &frmSearchQuick::cmdAdvanced_Click);
    connect(cmdUpdateScripts, &QPushButton::clicked, this, &frmSearchQuick::cmdUpdateScripts_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSearchQuick::cmdCancel_Click);

    auto* prompt = new QLabel(QStringLiteral("Enter word(s), quoted phrase or query string"), this);
    prompt->setBuddy(comboQuickQuery);
    auto* limits = new QLabel(
        QStringLiteral("Up to 100 results will be returned from all engines, up to 10 each."), this);
    auto* examples = new QGroupBox(QStringLiteral("Example search queries:"), this);
    auto* grid = new QGridLayout(examples);
    const QString phrase = QStringLiteral("\"golf courses\"");
    const QString rows[4][2] = {
        {QStringLiteral("golf AND courses"),
         QStringLiteral("Find all pages containing both golf AND courses")},
        {QStringLiteral("golf OR courses"),
         QStringLiteral("Find all pages containing either golf OR courses.")},
        {phrase, QStringLiteral("Find all pages containing the phrase ") + phrase},
        {QStringLiteral("golf NOT courses"),
         QStringLiteral("Find all pages containing the word golf and NOT the word courses")},
    };
    for (int i = 0; i < 4; ++i) {
        auto* query = new QLabel(rows[i][0], examples);
        QFont bold = query->font();
        bold.setBold(true);
        query->setFont(bold);
        grid->addWidget(query, i, 0);
        grid->addWidget(new QLabel(rows[i][1], examples), i, 1);
    }
    grid->setColumnStretch(1, 1);

    auto* top = new QHBoxLayout;
    top->addWidget(imgLogo, 0, Qt::AlignTop);
    auto* queryColumn = new QVBoxLayout;
    queryColumn->addWidget(prompt);
    queryColumn->addWidget(comboQuickQuery);
    queryColumn->addWidget(limits);
    top->addLayout(queryColumn, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdSearch);
    buttons->addWidget(cmdAdvanced);
    buttons->addWidget(cmdUpdateScripts);
    buttons->addWidget(cmdCancel);
    buttons->addStretch(1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(examples);
}

void frmSearchQuick::Load() {
    if (frmSearchAdv* adv = m_owner.Advanced())
        adv->CloseForSwitch();
    FillHistory(comboQuickQuery, m_owner.History(), m_owner.Context().reg, HistoryIndex);
    if (clsSearch* search = m_owner.Search(); search && !search->SearchQuery().empty())
        comboQuickQuery->setCurrentText(Utf8ToQString(search->SearchQuery()));
    comboQuickQuery->setFocus();
    comboQuickQuery->lineEdit()->selectAll();
}

void frmSearchQuick::cmdSearch_Click() {
    clsSearch* search = m_owner.Search();
    // A second press (Enter taken by both the box and the dialog) must not reset the
    // search the first one started.
    if (!search || m_owner.Searching())
        return;
    StartQuickSearch(*search, m_owner.History(), QStringToUtf8(comboQuickQuery->currentText()),
                     [this] { m_owner.CheckEnginesBeforeSearch(this); });
}

void frmSearchQuick::cmdAdvanced_Click() {
    SetLastSearch(m_owner.Context().reg, 1);
    QString query = comboQuickQuery->currentText();
    m_owner.ShowAdvanced(query.trimmed().isEmpty() ? QString() : query);
}

void frmSearchQuick::cmdUpdateScripts_Click() {
    m_owner.UpdateEngines(this);
}

void frmSearchQuick::cmdCancel_Click() {
    // Closing a dialog goes through reject(), also when the other dialog takes its place.
    if (!m_switching)
        m_owner.ReleaseSearch();
    // Not close(): a close request arrives here through reject(), and a nested close is
    // refused, which would leave the dialog on the screen.
    QDialog::reject();
}

void frmSearchQuick::CloseForSwitch() {
    m_switching = true;
    close();
    m_switching = false;
}

// --- Advanced Search -----------------------------------------------------------------------

frmSearchAdv::frmSearchAdv(SearchWindows& owner, QWidget* parent) : QDialog(parent), m_owner(owner) {
    setObjectName(QStringLiteral("frmSearchAdv"));
    setWindowTitle(QStringLiteral("Advanced Search"));
    setWindowIcon(ResourceIcon(QStringLiteral("icon_app")));
    setAttribute(Qt::WA_DeleteOnClose);

    imgLogo = Logo(this);
    comboQuery = QueryBox(this, QStringLiteral("comboQuery"));
    comboExclude = QueryBox(this, QStringLiteral("comboExclude"));
    comboGroups = new QComboBox(this);
    comboGroups->setObjectName(QStringLiteral("comboGroups"));
    txtMaxHits = new QLineEdit(this);
    txtMaxHits->setObjectName(QStringLiteral("txtMaxHits"));
    txtSiteMax = new QLineEdit(this);
    txtSiteMax->setObjectName(QStringLiteral("txtSiteMax"));
    for (QLineEdit* box : {txtMaxHits, txtSiteMax}) {
        box->setMaxLength(5);
        box->setMaximumWidth(70);
    }
    const QString formats[4] = {
        QStringLiteral("Search for ALL words"), QStringLiteral("Search for ANY words"),
        QStringLiteral("Search for the PHRASE"), QStringLiteral("Do not translate query")};
    auto* formatBox = new QGroupBox(this);
    auto* formatLayout = new QVBoxLayout(formatBox);
    for (int i = 0; i < 4; ++i) {
        optFormat[i] = new QRadioButton(formats[i], formatBox);
        optFormat[i]->setObjectName(QStringLiteral("optFormat%1").arg(i));
        formatLayout->addWidget(optFormat[i]);
        connect(optFormat[i], &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                UpdateCaption();
        });
    }
    chkSound = new QCheckBox(QStringLiteral("Play sound when finished"), this);
    chkSound->setObjectName(QStringLiteral("chkSound"));
    cmdSearch = Button(this, QStringLiteral("Search"), QStringLiteral("cmdSearch"));
    cmdSearch->setDefault(true);
    cmdQuick = Button(this, QStringLiteral("Quick Search"), QStringLiteral("cmdQuick"));
    cmdEditGroups = Button(this, QStringLiteral("Edit Groups"), QStringLiteral("cmdEditGroups"));
    cmdUpdateScripts = Button(this, QStringLiteral("Check Engines"), QStringLiteral("cmdUpdateScripts"));
    cmdCancel = Button(this, QStringLiteral("Cancel"), QStringLiteral("cmdCancel"));
    connect(cmdSearch, &QPushButton::clicked, this, &frmSearchAdv::cmdSearch_Click);
    connect(comboQuery->lineEdit(), &QLineEdit::returnPressed, cmdSearch, &QPushButton::click);
    connect(cmdQuick, &QPushButton::clicked, this, &frmSearchAdv::cmdQuick_Click);
    connect(cmdEditGroups, &QPushButton::clicked, this, &frmSearchAdv::cmdEditGroups_Click);
    connect(cmdUpdateScripts, &QPushButton::clicked, this, &frmSearchAdv::cmdUpdateScripts_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSearchAdv::cmdCancel_Click);
    connect(comboQuery, &QComboBox::currentTextChanged, this, &frmSearchAdv::UpdateCaption);
    connect(comboExclude, &QComboBox::currentTextChanged, this, &frmSearchAdv::UpdateCaption);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Search Query String:"), comboQuery);
    form->addRow(QStringLiteral("Word(s) to exclude from the search:"), comboExclude);
    form->addRow(QStringLiteral("Search engine group:"), comboGroups);
    form->addRow(QStringLiteral("Maximum number of results:"), txtMaxHits);
    form->addRow(QStringLiteral("Maximum results per engine:"), txtSiteMax);
    auto* left = new QVBoxLayout;
    left->addLayout(form);
    left->addWidget(formatBox);
    left->addWidget(chkSound);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(imgLogo, 0, Qt::AlignHCenter);
    buttons->addWidget(cmdSearch);
    buttons->addWidget(cmdQuick);
    buttons->addWidget(cmdEditGroups);
    buttons->addWidget(cmdUpdateScripts);
    buttons->addWidget(cmdCancel);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
}

std::int32_t frmSearchAdv::CheckedFormat() const {
    for (int i = 0; i < 4; ++i) {
        if (optFormat[i]->isChecked())
            return i;
    }
    return 3;
}

void frmSearchAdv::UpdateCaption() {
    setWindowTitle(
        QStringLiteral("Advanced Search - ") +
        Utf8ToQString(TranslateQuery(QStringToUtf8(comboQuery->currentText()),
                                     QStringToUtf8(comboExclude->currentText()), CheckedFormat())));
}

void frmSearchAdv::FillGroups(std::int32_t select) {
    const SearchGroupTable& groups = m_owner.Context().program.Search.groups;
    comboGroups->clear();
    // Each entry carries its group's number: the table may change under this modeless
    // dialog (Manage Groups), and the choice must follow its group, not its place.
    for (const SearchGroup& g : groups.entries)
        comboGroups->addItem(Utf8ToQString(g.name), QVariant(static_cast<int>(g.number)));
    comboGroups->setCurrentIndex(select >= 0 && select < comboGroups->count() ? select : 0);
}

std::int32_t frmSearchAdv::SelectedGroupIndex() const {
    const SearchGroupTable& groups = m_owner.Context().program.Search.groups;
    int at = comboGroups->currentIndex();
    if (at < 0)
        return 0;
    const auto number = static_cast<std::int16_t>(comboGroups->itemData(at).toInt());
    const std::string name = QStringToUtf8(comboGroups->itemText(at));
    // Groups stored by older versions may share a number: the name tells them apart.
    for (std::int32_t i = 0; i <= groups.GroupCount(); ++i) {
        const SearchGroup& g = groups.entries[static_cast<std::size_t>(i)];
        if (g.number == number && g.name == name)
            return i;
    }
    std::int32_t byNumber = number != 0 ? FindGroup(groups, number) : -1;
    return byNumber >= 0 ? byNumber : (at == 0 ? 0 : -1);
}

bool frmSearchAdv::GroupsChanged() {
    const QString shown = comboGroups->currentText();
    std::int32_t index = SelectedGroupIndex();
    FillGroups(std::max(0, index));
    return index >= 0 || shown.isEmpty();
}

void frmSearchAdv::Load() {
    if (frmSearchQuick* quick = m_owner.Quick())
        quick->CloseForSwitch();
    clsSearch* search = m_owner.Search();
    Registry& reg = m_owner.Context().reg;
    FillHistory(comboQuery, m_owner.History(), reg, HistoryIndex);
    if (search && !search->SearchQuery().empty())
        comboQuery->setCurrentText(Utf8ToQString(search->SearchQuery()));
    if (search) {
        if (search->MaxHits() == 0)
            search->SetMaxHits(StoredMaxHits(reg));
        if (search->SiteMax() == 0)
            search->SetSiteMax(StoredSiteMax(reg));
        if (search->Timeout() == 0)
            search->SetTimeout(5);
        txtMaxHits->setText(QString::number(search->MaxHits()));
        txtSiteMax->setText(QString::number(search->SiteMax()));
    }
    optFormat[3]->setChecked(true);
    chkSound->setChecked(StoredPlaySound(reg));
    if (search) {
        // Reloading the groups needs the engine list the search object read at Init.
        SearchGroupTable& groups = m_owner.Context().program.Search.groups;
        LoadGroups(groups, reg, m_owner.Library(), search->Sites());
        FillGroups(InitialGroupSelection(*search));
    }
    UpdateCaption();
    comboQuery->setFocus();
    comboQuery->lineEdit()->selectAll();
}

void frmSearchAdv::cmdSearch_Click() {
    clsSearch* search = m_owner.Search();
    if (!search || m_owner.Searching())
        return;
    const QString groupName = comboGroups->currentText();
    if (!GroupsChanged()) {
        // The chosen group was deleted meanwhile: searching another one unasked would
        // file results under the wrong group.
        m_owner.Messages().Message("The search group \"" + QStringToUtf8(groupName) +
                                       "\" no longer exists.\nChoose another group.",
                                   kGroupNotFoundTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        comboGroups->setFocus();
        return;
    }
    AdvancedSearchInput input;
    input.query = QStringToUtf8(comboQuery->currentText());
    input.exclude = QStringToUtf8(comboExclude->currentText());
    input.groupIndex = static_cast<std::int16_t>(std::max(0, SelectedGroupIndex()));
    input.maxHitsText = QStringToUtf8(txtMaxHits->text());
    input.siteMaxText = QStringToUtf8(txtSiteMax->text());
    input.format = CheckedFormat();
    input.playSound = chkSound->isChecked();
    AppContext& ctx = m_owner.Context();
    StartAdvancedSearch(
        *search, m_owner.History(), input,
        [this, &ctx] { return frmPromptConnection::Ask(ctx.dialogs, ctx.reg, this); },
        [this] { m_owner.CheckEnginesBeforeSearch(this); });
}

void frmSearchAdv::cmdQuick_Click() {
    SetLastSearch(m_owner.Context().reg, 0);
    QString query = comboQuery->currentText();
    m_owner.ShowQuick(query.trimmed().isEmpty() ? QString() : query);
}

void frmSearchAdv::cmdEditGroups_Click() {
    clsSearch* search = m_owner.Search();
    if (!search)
        return;
    search->SetSearchGroupIndex(static_cast<std::int16_t>(std::max(0, SelectedGroupIndex())));
    m_owner.OpenGroupManager(*search, this);
    if (search->SearchGroupIndex() < 0)
        search->SetSearchGroupIndex(0);
    FillGroups(search->SearchGroupIndex());
}

void frmSearchAdv::cmdUpdateScripts_Click() {
    m_owner.UpdateEngines(this);
}

void frmSearchAdv::cmdCancel_Click() {
    // Closing a dialog goes through reject(), also when the other dialog takes its place.
    if (!m_switching)
        m_owner.ReleaseSearch();
    // Not close(): a close request arrives here through reject(), and a nested close is
    // refused, which would leave the dialog on the screen.
    QDialog::reject();
}

void frmSearchAdv::CloseForSwitch() {
    m_switching = true;
    close();
    m_switching = false;
}

} // namespace vireo
