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
#include <string>

namespace vireo {

class Dialogs;
class EventSounds;
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

    // The event (1 to 7) whose file the box below the list shows; 0 for none.
    int CurrentEvent() const;
    void SelectEvent(int event);
    // The file chosen for an event so far (not yet written).
    std::string FileOf(int event) const { return m_files[static_cast<std::size_t>(event - 1)]; }

    void cmdBrowse_Click();
    void cmdPlay_Click();
    void cmdDefault_Click();
    void cmdOK_Click();

    // How the events are called in the list.
    static QString EventTitle(int event);

private:
    void SetFile(int event, const std::string& file);

    Registry& m_reg;
    EventSounds& m_sounds;
    Dialogs& m_dialogs;
    std::array<std::string, 7> m_files;
};

} // namespace vireo
