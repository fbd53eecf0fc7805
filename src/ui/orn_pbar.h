// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// OrnPBar1: the program's own progress bar, used in the search status rows. The text (the
// percentage, or a caption once one was set) is printed centred, and the bar is then laid
// over it with the merge-pen-not raster operation, so the text shows inverted where the bar
// crosses it and stays readable on both sides.

#include <QColor>
#include <QImage>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <QWidget>
#include <cstdint>

namespace vireo {

class Dialogs;

class OrnPBar1 : public QWidget {
    Q_OBJECT
public:
    explicit OrnPBar1(QWidget* parent = nullptr);

    inline static const QColor kDefaultBarColour = QColor(0, 0, 128); // &H800000
    inline static const QString kPercentMessage =
        QStringLiteral("Please specify a value between 0 and 100 for the Percent Property.");
    inline static const QString kMaxMessage = QStringLiteral("Max must be set before using Value.");
    inline static const QString kMessageTitle = QStringLiteral("Invalid Information");

    // The two messages go through the dialogs facade when one is set (tests script it).
    void SetDialogs(Dialogs* dialogs) { m_dialogs = dialogs; }

    std::int16_t Percent() const { return m_percent; }
    // A value that is not a number, or outside 0 to 100, shows the message and changes nothing.
    bool SetPercent(const QVariant& p);
    QColor BarColour() const { return m_barColour; }
    void SetBarColour(const QColor& colour);
    QColor BackColour() const { return m_backColour; }
    void SetBackColour(const QColor& colour);
    // The colour the text is printed in (the surface's fore colour).
    QColor ForeColour() const { return m_foreColour; }
    void SetForeColour(const QColor& colour);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool enabled) { setEnabled(enabled); }
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    bool CaptionSet() const { return m_captionSet; }
    std::int16_t max() const { return m_max; }
    void SetMax(std::int16_t max) { m_max = max; }
    // value / max as a percentage, through SetPercent; before max is set, the message.
    bool SetValue(double v);
    void Refresh();

    // The container's property bag: "Enabled", "Percent", "BarColour", with their defaults.
    void InitProperties();
    void ReadProperties(const QVariantMap& bag);
    void WriteProperties(QVariantMap& bag) const;
    // Whether "Percent" changed since the properties were last read or written.
    bool PercentChanged() const { return m_percentChanged; }

    // What the surface shows (the picture the widget paints).
    const QImage& Surface() const { return m_surface; }
    QSize sizeHint() const override { return {160, 20}; }

Q_SIGNALS:
    void Click();
    void DblClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void Redraw();
    void Tell(const QString& text);

    Dialogs* m_dialogs = nullptr;
    std::int16_t m_percent = 50;
    QColor m_barColour = kDefaultBarColour;
    QColor m_backColour;
    QColor m_foreColour;
    QString m_caption;
    bool m_captionSet = false;
    std::int16_t m_max = 0;
    bool m_percentChanged = false;
    QImage m_surface;
};

} // namespace vireo
