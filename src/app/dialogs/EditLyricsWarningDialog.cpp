#include "app/dialogs/EditLyricsWarningDialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

constexpr const char* kIntro =
    "The lyrics have already been placed. Simple edits can be made without requiring the lyrics to be placed again.";
constexpr const char* kDetail = "If you make edits, when you play the placed lyrics various problems may appear. You "
                                "will need to place the lyrics again.\n\nThese are relatively safe edits you can make:";
constexpr const char* kSafeWords =
    "- Correct misspelled words.\n- Move a word at the line start/end to the line above/below.\n- Inserting a new "
    "word creates its highlighting by taking half\n        of the highlighting time of the word before it.";
constexpr const char* kSafeLines =
    "- Insert ONE new blank line in the SONG using the Enter key.\n- Add the ^ symbol to insert a new page on any "
    "existing blank line.";
constexpr int kTextWidth = 380;

EditLyricsWarningDialog::Hook& TestHook()
{
    static EditLyricsWarningDialog::Hook hook;
    return hook;
}

QLabel* TextLabel(const char* text, QWidget* parent)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFixedWidth(kTextWidth);
    return label;
}

} // namespace

void EditLyricsWarningDialog::SetHookForTesting(Hook hook)
{
    TestHook() = std::move(hook);
}

EditLyricsWarningDialog::EditLyricsWarningDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr(kTitle));
    setObjectName("EditLyricsWarningDialog");
    auto* outer = new QVBoxLayout(this);
    // The window takes the size of what it shows, so hiding the detail shortens it.
    outer->setSizeConstraint(QLayout::SetFixedSize);

    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(iconSize, iconSize));
    icon->setAlignment(Qt::AlignTop);
    top->addWidget(icon);
    top->addWidget(TextLabel(kIntro, this), 1);
    outer->addLayout(top);

    auto* buttons = new QHBoxLayout;
    m_more = new QPushButton(tr(kMore), this);
    m_more->setObjectName("more");
    auto* close = new QPushButton(tr("Close"), this);
    close->setObjectName("close");
    close->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(m_more);
    buttons->addWidget(close);
    outer->addLayout(buttons);

    m_extra = new QWidget(this);
    m_extra->setObjectName("detail");
    auto* detail = new QVBoxLayout(m_extra);
    detail->setContentsMargins(iconSize + outer->spacing(), 0, 0, 0);
    detail->addWidget(TextLabel(kDetail, m_extra));
    detail->addWidget(TextLabel(kSafeWords, m_extra));
    detail->addWidget(TextLabel(kSafeLines, m_extra));
    outer->addWidget(m_extra);

    // The height the detail needs, remembered before it is hidden.
    m_extraHeight = m_extra->sizeHint().height() + outer->spacing();
    m_extra->hide();

    connect(m_more, &QPushButton::clicked, this, &EditLyricsWarningDialog::ToggleMore);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void EditLyricsWarningDialog::ToggleMore()
{
    m_expanded = !m_expanded;
    m_extra->setVisible(m_expanded);
    m_more->setText(tr(m_expanded ? kLess : kMore));
    layout()->activate();
}

int EditLyricsWarningDialog::Run()
{
    if (TestHook()) return TestHook()(*this);
    return exec();
}
