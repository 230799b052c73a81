#include "app/widgets/CBalloonTip.h"

#include <QGridLayout>
#include <QLabel>
#include <QStyle>
#include <QTimer>

namespace {
constexpr int kIconSize = 32;
constexpr int kAnchorGap = 2;
}

CBalloonTip::CBalloonTip(QWidget* parent) : QFrame(parent, Qt::ToolTip | Qt::FramelessWindowHint)
{
    setObjectName("balloonTip");
    setFrameShape(QFrame::Box);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    setAutoFillBackground(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(kIconSize, kIconSize));
    m_title = new QLabel(this);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_text = new QLabel(this);
    m_text->setTextFormat(Qt::PlainText);
    m_title->setTextFormat(Qt::PlainText);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(m_title, 0, 1);
    layout->addWidget(m_text, 1, 1);

    m_hideTimer = new QTimer(this);
    m_hideTimer->setSingleShot(true);
    connect(m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
}

void CBalloonTip::ShowAt(QWidget* anchor, const QString& title, const QString& text, int showMs)
{
    m_anchor = anchor;
    m_title->setText(title);
    m_fullText = text;
    // The texts may end in a line break that would only leave an empty line in the tip.
    m_text->setText(text.endsWith('\n') ? text.chopped(1) : text);
    adjustSize();
    const QPoint below = anchor->mapToGlobal(QPoint(anchor->width() / 2, anchor->height() + kAnchorGap));
    move(below.x() - width() / 4, below.y());
    show();
    raise();
    m_hideTimer->start(showMs);
}

QString CBalloonTip::Title() const
{
    return m_title->text();
}

void CBalloonTip::mousePressEvent(QMouseEvent*)
{
    hide();
}
