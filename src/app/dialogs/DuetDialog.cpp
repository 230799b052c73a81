#include "app/dialogs/DuetDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/QtText.h"

DuetDialog::DuetDialog(Descriptions& descriptions, QWidget* parent) : QDialog(parent), m_descriptions(descriptions)
{
    setWindowTitle(QString());
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(new QLabel(tr("Enter short descriptions for the two voices in this song."), this));
    auto* form = new QFormLayout;
    const char* const labels[3] = {"Singer 1:", "Singer 2:", "Both:"};
    const char* const prompts[3] = {"<Singer 1 voice>", "<Singer 2 voice>", "<Both voices>"};
    for (int i = 0; i < 3; ++i) {
        m_fields[i] = new QLineEdit(QtText(descriptions[size_t(i)]), this);
        m_fields[i]->setObjectName(QString("description%1").arg(i + 1));
        // Shown in grey while the field is empty.
        m_fields[i]->setPlaceholderText(tr(prompts[i]));
        form->addRow(tr(labels[i]), m_fields[i]);
    }
    outer->addLayout(form);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* save = new QPushButton(tr("Save"), this);
    save->setObjectName("save");
    save->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName("cancel");
    row->addWidget(save);
    row->addWidget(cancel);
    outer->addLayout(row);
    connect(save, &QPushButton::clicked, this, [this] {
        Save();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void DuetDialog::Save()
{
    for (size_t i = 0; i < m_descriptions.size(); ++i) m_descriptions[i] = EngineText(m_fields[i]->text());
}
