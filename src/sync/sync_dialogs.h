// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Tools > Sync: the profiles with the last result and time of each (add, edit, remove,
// sync now), and the dialog that edits one profile.

#include <QDialog>

#include "sync/sync_profiles.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTreeWidget;

namespace vireo {

class SyncWindows;

class frmSync : public QDialog {
    Q_OBJECT
public:
    frmSync(SyncWindows& sync, QWidget* parent = nullptr);

    QTreeWidget* lstProfiles = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdEdit = nullptr;
    QPushButton* cmdRemove = nullptr;
    QPushButton* cmdSync = nullptr;
    QPushButton* cmdClose = nullptr;

    void Refill();

private:
    QString SelectedName() const;
    void Edit(bool adding);
    void Remove();
    void UpdateButtons();

    SyncWindows& m_sync;
};

class frmSyncProfile : public QDialog {
    Q_OBJECT
public:
    // `profile.name` empty: a new profile.
    frmSyncProfile(SyncWindows& sync, const sync::SyncProfile& profile, QWidget* parent = nullptr);

    QLineEdit* txtName = nullptr;
    QLineEdit* txtUrl = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QLineEdit* txtUser = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLabel* lblFolder = nullptr;
    QPushButton* cmdFolder = nullptr;
    QRadioButton* optBoth = nullptr;
    QRadioButton* optUp = nullptr;
    QRadioButton* optDown = nullptr;
    QComboBox* cboWhen = nullptr;
    QSpinBox* spnMinutes = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    const sync::SyncProfile& Profile() const { return m_profile; }

private:
    void Accept();
    void ShowFolder();

    SyncWindows& m_sync;
    sync::SyncProfile m_profile;
    bool m_adding;
};

} // namespace vireo
