// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// frmTrashQuery: the question at exit whether to empty the trash, with "Don't ask this
// again".

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <array>

namespace vireo {

class Database;
class Registry;

class frmTrashQuery : public QDialog {
    Q_OBJECT
public:
    frmTrashQuery(Database& db, Registry& reg, QWidget* parent);

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QCheckBox* Check = nullptr;
    std::array<QPushButton*, 2> cmdTrash{}; // 0 "No", 1 "Yes"

    void cmdTrash_Click(int index);

private:
    Database& m_db;
    Registry& m_reg;
};

} // namespace vireo
