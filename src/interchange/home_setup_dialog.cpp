// SPDX-License-Identifier: GPL-3.0-or-later
#include "interchange/home_setup_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

#include "mainwindow/app_context.h"
#include "mainwindow/app_icons.h"
#include "mainwindow/facades.h"
#include "mainwindow/page_opener.h"
#include "store/database.h"
#include "store/strings.h"
#include "store/text_codec.h"

namespace vireo {

namespace {

QColor ToQColor(std::int32_t color) {
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

std::int32_t FromQColor(const QColor& c) {
    return Rgb(c.red(), c.green(), c.blue());
}

QIcon SwatchIcon(const QColor& color) {
    QPixmap pix(28, 14);
    pix.fill(color);
    QPainter p(&pix);
    p.setPen(Qt::black);
    p.drawRect(pix.rect().adjusted(0, 0, -1, -1));
    return QIcon(pix);
}

} // namespace

frmHomeSetup::frmHomeSetup(AppContext& ctx, QWidget* parent) : QDialog(parent), m_ctx(ctx) {
    setObjectName(QStringLiteral("frmHomeSetup"));
    setWindowTitle(Utf8ToQString("HomePage Options"));
    setWindowIcon(ResourceIcon(QStringLiteral("icon_BB")));

    comboScheme = new QComboBox(this);
    comboScheme->setObjectName(QStringLiteral("comboScheme"));
    comboScheme->setMinimumWidth(180);
    comboItem = new QComboBox(this);
    comboItem->setObjectName(QStringLiteral("comboItem"));
    comboItem->setMinimumWidth(180);
    cmdColor = new QPushButton(Utf8ToQString("&Color..."), this);
    cmdColor->setObjectName(QStringLiteral("cmdColor"));
    cmdColor->setIconSize(QSize(28, 14));
    cmdFont = new QPushButton(Utf8ToQString("Font"), this);
    cmdFont->setObjectName(QStringLiteral("cmdFont"));
    cmdSave = new QPushButton(Utf8ToQString("Save &As..."), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdDel = new QPushButton(Utf8ToQString("&Delete"), this);
    cmdDel->setObjectName(QStringLiteral("cmdDel"));
    cmdRestore = new QPushButton(Utf8ToQString("&Restore"), this);
    cmdRestore->setObjectName(QStringLiteral("cmdRestore"));
    cmdRestore->setToolTip(Utf8ToQString("Give this scheme back the colours and fonts it shipped with"));
    cmdOK = new QPushButton(Utf8ToQString("&Finished"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdHelp = new QPushButton(Utf8ToQString("&Help"), this);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    txtPreview = new QTextBrowser(this);
    txtPreview->setObjectName(QStringLiteral("txtPreview"));
    txtPreview->setOpenLinks(false);
    txtPreview->setMinimumSize(420, 260);
    lblContrast = new QLabel(this);
    lblContrast->setObjectName(QStringLiteral("lblContrast"));
    lblContrast->setWordWrap(true);

    auto* schemeBox = new QGroupBox(Utf8ToQString("Color Scheme"), this);
    auto* schemeGrid = new QGridLayout(schemeBox);
    schemeGrid->addWidget(comboScheme, 0, 0, 1, 2);
    schemeGrid->addWidget(cmdSave, 1, 0);
    schemeGrid->addWidget(cmdDel, 1, 1);
    schemeGrid->addWidget(cmdRestore, 2, 0, 1, 2);

    auto* itemBox = new QGroupBox(Utf8ToQString("Page Item"), this);
    auto* itemGrid = new QGridLayout(itemBox);
    itemGrid->addWidget(comboItem, 0, 0, 1, 2);
    itemGrid->addWidget(cmdColor, 1, 0);
    itemGrid->addWidget(cmdFont, 1, 1);

    auto* left = new QVBoxLayout;
    left->setSpacing(10);
    left->addWidget(schemeBox);
    left->addWidget(itemBox);
    left->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdHelp);
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    left->addLayout(buttons);

    auto* previewBox = new QGroupBox(Utf8ToQString("Preview"), this);
    auto* previewLayout = new QVBoxLayout(previewBox);
    previewLayout->addWidget(txtPreview);
    previewLayout->addWidget(lblContrast);

    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(12);
    layout->addLayout(left);
    layout->addWidget(previewBox, 1);

    connect(comboScheme, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_loading)
            comboScheme_Click();
    });
    connect(comboItem, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_loading)
            comboItem_Click();
    });
    connect(cmdColor, &QPushButton::clicked, this, &frmHomeSetup::cmdColor_Click);
    connect(cmdFont, &QPushButton::clicked, this, &frmHomeSetup::cmdFont_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmHomeSetup::cmdSave_Click);
    connect(cmdDel, &QPushButton::clicked, this, &frmHomeSetup::cmdDel_Click);
    connect(cmdRestore, &QPushButton::clicked, this, &frmHomeSetup::cmdRestore_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmHomeSetup::cmdOK_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmHomeSetup::cmdHelp_Click);

    // Form_Load. The lists are filled quietly; the clicks they stand for follow in order.
    const std::string dbPath = m_ctx.db.DBPath();
    const std::string current = CurrentScheme(m_ctx.reg);
    m_items = LoadScheme(dbPath, current);
    m_loading = true;
    for (int i = 0; i < static_cast<int>(m_items.size()); ++i)
        comboItem->addItem(Utf8ToQString(text::TrimSpaces(m_items[static_cast<std::size_t>(i)].ItemName)),
                           i + 1);
    comboItem->setCurrentIndex(1);
    for (const std::string& name : ListSchemes(dbPath))
        comboScheme->addItem(Utf8ToQString(name));
    comboScheme->setCurrentIndex(
        comboScheme->findText(Utf8ToQString(current), Qt::MatchFixedString | Qt::MatchCaseSensitive));
    m_loading = false;
    comboItem_Click();
    // Choosing the current scheme loads it as a click on the list would.
    if (comboScheme->currentIndex() >= 0)
        comboScheme_Click();
    UpdateSchemeButtons();
    UpdatePreview();
}

void frmHomeSetup::UpdateSchemeButtons() {
    QString name = comboScheme->currentText();
    bool chosen = comboScheme->currentIndex() >= 0;
    bool shipped = ShippedScheme(QStringToUtf8(name)) != nullptr;
    // A shipped scheme is never deleted; its edited copy can be given up instead.
    cmdDel->setEnabled(chosen && !shipped && name != Utf8ToQString(kDefaultScheme));
    cmdRestore->setEnabled(chosen && shipped && HasOwnCopy(m_ctx.db.DBPath(), QStringToUtf8(name)));
}

void frmHomeSetup::cmdRestore_Click() {
    QString name = comboScheme->currentText();
    if (!RestoreScheme(m_ctx.db.DBPath(), QStringToUtf8(name))) {
        m_ctx.dialogs.Message(
            this, Utf8ToQString("The scheme \"" + QStringToUtf8(name) + "\" could not be restored."),
            windowTitle(), MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    comboScheme_Click();
}

int frmHomeSetup::ItemIndex() const {
    QVariant data = comboItem->currentData();
    return data.isValid() ? data.toInt() - 1 : -1;
}

void frmHomeSetup::SetButtonColor(const QColor& color) {
    m_buttonColor = color;
    cmdColor->setIcon(SwatchIcon(color));
}

void frmHomeSetup::comboScheme_Click() {
    QString name = comboScheme->currentText();
    UpdateSchemeButtons();
    m_items = LoadScheme(m_ctx.db.DBPath(), QStringToUtf8(name));
    // Through the second entry to the first, so the item's buttons always follow.
    comboItem->setCurrentIndex(1);
    comboItem->setCurrentIndex(0);
    comboItem_Click();
    UpdatePreview();
}

void frmHomeSetup::comboItem_Click() {
    int i = ItemIndex();
    if (i < 0) {
        cmdColor->setEnabled(false);
        cmdFont->setEnabled(false);
        return;
    }
    const SchemeItem& item = m_items[static_cast<std::size_t>(i)];
    cmdColor->setEnabled(item.ColorEditable);
    cmdFont->setEnabled(item.FontEditable);
    SetButtonColor(ToQColor(item.Color));
}

void frmHomeSetup::cmdColor_Click() {
    int i = ItemIndex();
    if (i < 0)
        return;
    if (std::optional<QColor> chosen = m_ctx.dialogs.ChooseColor(this, m_buttonColor))
        SetButtonColor(*chosen);
    m_items[static_cast<std::size_t>(i)].Color = FromQColor(m_buttonColor);
    SaveScheme(comboScheme->currentText());
    UpdateSchemeButtons();
    UpdatePreview();
}

void frmHomeSetup::cmdFont_Click() {
    int i = ItemIndex();
    if (i < 0)
        return;
    SchemeItem& item = m_items[static_cast<std::size_t>(i)];
    QFont initial(Utf8ToQString(text::TrimSpaces(item.FontName)));
    initial.setBold(item.Bold);
    initial.setItalic(item.Italic);
    initial.setPointSize(std::max(1, item.Size * 3));
    // A cancelled font dialog changes nothing.
    std::optional<QFont> chosen = m_ctx.dialogs.ChooseFont(this, initial);
    if (!chosen)
        return;
    double points = chosen->pointSizeF();
    if (points <= 0 && chosen->pixelSize() > 0)
        points = chosen->pixelSize() * 0.75;
    item.FontName = QStringToUtf8(chosen->family());
    item.Bold = chosen->bold();
    item.Italic = chosen->italic();
    item.Size = FontSizeFromPoints(points);
    SaveScheme(comboScheme->currentText());
    UpdateSchemeButtons();
    UpdatePreview();
}

void frmHomeSetup::cmdSave_Click() {
    std::optional<QString> answer = m_ctx.dialogs.InputText(
        this, Utf8ToQString("Scheme Name?"), Utf8ToQString("Save As"), Utf8ToQString("MyScheme"));
    if (!answer)
        return;
    QString name = answer->trimmed();
    if (name.isEmpty())
        return;
    // The list shows names up to their first dot, so a name with one could not be chosen
    // again.
    if (name.contains(QLatin1Char('.')) || name.contains(QLatin1Char('/'))) {
        m_ctx.dialogs.Message(
            this, Utf8ToQString("A scheme name cannot contain \".\" or \"/\". Please choose another name."),
            Utf8ToQString("Save As"), MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    if (!SaveScheme(name))
        return;
    // The scheme being edited is now the one of that name: no reload.
    m_loading = true;
    int at = comboScheme->findText(name, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (at < 0) {
        comboScheme->addItem(name);
        at = comboScheme->count() - 1;
    }
    comboScheme->setCurrentIndex(at);
    m_loading = false;
    UpdateSchemeButtons();
    UpdatePreview();
}

void frmHomeSetup::cmdDel_Click() {
    QString name = comboScheme->currentText();
    if (comboScheme->currentIndex() < 0 ||
        name.compare(Utf8ToQString(kDefaultScheme), Qt::CaseInsensitive) == 0 ||
        ShippedScheme(QStringToUtf8(name)))
        return;
    DeleteScheme(m_ctx.db.DBPath(), QStringToUtf8(name));
    comboScheme->removeItem(comboScheme->currentIndex());
    comboScheme->setCurrentIndex(0);
}

void frmHomeSetup::cmdOK_Click() {
    SetCurrentScheme(m_ctx.reg, QStringToUtf8(comboScheme->currentText()));
    accept();
}

void frmHomeSetup::cmdHelp_Click() {
    OpenPage(m_ctx, Utf8ToQString(HelpPageUrl("homepage.html")));
}

bool frmHomeSetup::SaveScheme(const QString& name) {
    std::string error;
    if (vireo::SaveScheme(m_ctx.db.DBPath(), QStringToUtf8(name.trimmed()), m_items, &error))
        return true;
    if (error.empty())
        error = "The scheme \"" + QStringToUtf8(name) + "\" could not be saved.";
    m_ctx.dialogs.Message(this, Utf8ToQString(error), windowTitle(), MsgButtons::Ok, MsgIcon::Exclamation);
    return false;
}

void frmHomeSetup::UpdatePreview() {
    QStringList problems;
    for (const ContrastProblem& p : IllegibleTexts(m_items))
        problems << Utf8ToQString(text::TrimSpaces(m_items[static_cast<std::size_t>(p.text)].ItemName)) +
                        Utf8ToQString(" on ") +
                        Utf8ToQString(
                            text::TrimSpaces(m_items[static_cast<std::size_t>(p.background)].ItemName)) +
                        QStringLiteral(" (%1:1)").arg(p.ratio, 0, 'f', 1);
    lblContrast->setText(problems.isEmpty()
                             ? QString()
                             : Utf8ToQString("Hard to read: ") + problems.join(Utf8ToQString(", ")) +
                                   Utf8ToQString(". Text needs 4.5:1 or more."));
    lblContrast->setVisible(!problems.isEmpty());

    const Database& db = m_ctx.db;
    if (!db.IsLiveFolder(kHomePageFolder)) {
        txtPreview->clear();
        return;
    }
    // The page's own text and link colours are body attributes that the preview does not
    // read: given as its style, so that what it shows is what a browser shows.
    txtPreview->document()->setDefaultStyleSheet(
        QStringLiteral("body { color: #%1; } a { color: #%2; }")
            .arg(Utf8ToQString(ColorHex(m_items[kCategoryLabel].Color)),
                 Utf8ToQString(ColorHex(m_items[kLinks].Color))));
    QString page =
        Utf8ToQString(HomePageText(db, kHomePageFolder, m_items, QStringToUtf8(comboScheme->currentText())));
    // The page's fixed widths are made relative, so the whole page fits the small preview.
    page.replace(
        Utf8ToQString(kHomeTableStart),
        Utf8ToQString(kHomeTableStart).replace(QStringLiteral("\"630\""), QStringLiteral("\"100%\"")));
    page.replace(Utf8ToQString(kHomeCellStart),
                 Utf8ToQString(kHomeCellStart).replace(QStringLiteral("\"210\""), QStringLiteral("\"33%\"")));
    txtPreview->setHtml(page);
}

} // namespace vireo
