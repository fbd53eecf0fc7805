// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// frmSounds ("Sounds"): the seven event sounds and the file each one plays. A file can be
// picked, tried out and set back to the one that ships with Vireo; OK writes the choices
// into the sound scheme, where the program reads them each time an event happens.

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <array>
#include <optional>
#include <string>

#include "ui/event_sounds.h"

namespace vireo {

class Dialogs;
class Registry;

class frmSounds : public QDialog {
    Q_OBJECT
public:
    frmSounds(Registry& reg, EventSounds& sounds, Dialogs& dialogs, QWidget* parent = nullptr);

    QTreeWidget* lstEvents = nullptr;
    QLineEdit* txtFile = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QPushButton* cmdPlay = nullptr;
    QPushButton* cmdDefault = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    // The event whose file the box below the list shows; none without a current row.
    std::optional<SoundEvent> CurrentEvent() const;
    void SelectEvent(SoundEvent event);
    // The file chosen for an event so far (not yet written).
    std::string FileOf(SoundEvent event) const { return m_files[SoundIndex(event)]; }

    void cmdBrowse_Click();
    void cmdPlay_Click();
    void cmdDefault_Click();
    void cmdOK_Click();

    // How the events are called in the list.
    static QString EventTitle(SoundEvent event);

private:
    void SetFile(SoundEvent event, const std::string& file);

    Registry& m_reg;
    EventSounds& m_sounds;
    Dialogs& m_dialogs;
    std::array<std::string, 7> m_files;
};

} // namespace vireo
