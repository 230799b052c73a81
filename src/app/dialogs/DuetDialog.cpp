#include "app/dialogs/DuetDialog.h"

#include <QColor>
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
    m_colourNote = new QLabel(this);
    m_colourNote->setObjectName("colourNote");
    m_colourNote->setWordWrap(true);
    m_colourNote->hide();
    outer->addWidget(m_colourNote);
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

void DuetDialog::ShowSingerColours(const QColor& singer2, const QColor& both)
{
    const auto swatch = [](const QColor& c) {
        return QString("<span style=\"background-color:%1\">&nbsp;&nbsp;&nbsp;&nbsp;</span> (%2)")
            .arg(c.name(), c.name().toUpper());
    };
    m_colourNote->setText(tr("Singer 2's lines will show in %1 and the lines of both in %2: the Singer2: "
                             "and Both: colours of this page, which you can change there.")
                              .arg(swatch(singer2), swatch(both)));
    m_colourNote->show();
}
