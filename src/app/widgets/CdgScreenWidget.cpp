#include "app/widgets/CdgScreenWidget.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <vector>

#include "cdg/CdgColour.h"
#include "cdg/CdgFormat.h"
#include "player/CdgScreen.h"

CdgScreenWidget::CdgScreenWidget(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    m_picture = QImage(1, 1, QImage::Format_RGB32);
    m_picture.fill(Qt::black);
}

CdgScreenWidget::~CdgScreenWidget()
{
    if (Renderer()) Renderer()->DetachWindow(this);
}

CdgRect CdgScreenWidget::ClientArea() const
{
    std::lock_guard lock(m_mutex);
    return {0, 0, m_picture.width(), m_picture.height()};
}

void CdgScreenWidget::Blit(const CdgScreen& renderer, const CdgRect& source, const CdgRect& destination)
{
    {
        std::lock_guard lock(m_mutex);
        const int left = std::max(destination.left, 0), right = std::min(destination.right, m_picture.width());
        const int top = std::max(destination.top, 0), bottom = std::min(destination.bottom, m_picture.height());
        if (left >= right || top >= bottom || source.Empty() || destination.Empty()) return;
        QRgb colours[kCdgColourCount];
        for (int i = 0; i < kCdgColourCount; ++i) {
            const uint32_t c = renderer.Colour(i);
            colours[i] = qRgb(ColourRed(c), ColourGreen(c), ColourBlue(c));
        }
        std::vector<int> columns(size_t(right - left));
        for (int x = left; x < right; ++x)
            columns[size_t(x - left)] =
                source.left + int(int64_t(x - destination.left) * source.Width() / destination.Width());
        const uint8_t* frame = renderer.CurrentFrame();
        for (int y = top; y < bottom; ++y) {
            const int sy = source.top + int(int64_t(y - destination.top) * source.Height() / destination.Height());
            const uint8_t* src = frame + size_t(sy) * CdgScreen::kFramePitch;
            auto* out = reinterpret_cast<QRgb*>(m_picture.scanLine(y)) + left;
            for (int sx : columns) *out++ = colours[src[sx] & (kCdgColourCount - 1)];
        }
    }
    RequestRepaint();
}

void CdgScreenWidget::Fill(const CdgRect& destination, int, uint32_t colour)
{
    {
        std::lock_guard lock(m_mutex);
        QPainter painter(&m_picture);
        painter.fillRect(QRect(destination.left, destination.top, destination.Width(), destination.Height()),
                         QColor(ColourRed(colour), ColourGreen(colour), ColourBlue(colour)));
    }
    RequestRepaint();
}

QImage CdgScreenWidget::Picture() const
{
    std::lock_guard lock(m_mutex);
    return m_picture.copy();
}

void CdgScreenWidget::RequestRepaint()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_repaintPending) return;
        m_repaintPending = true;
    }
    // Presents may come from the player's thread: the repaint happens on the widget's thread.
    QMetaObject::invokeMethod(this, [this] {
        {
            std::lock_guard lock(m_mutex);
            m_repaintPending = false;
        }
        update();
    }, Qt::QueuedConnection);
}

QSize CdgScreenWidget::PictureSize(const QSize& device)
{
    const auto cover = [](int length, int unit) { return std::max(1, (length + unit - 1) / unit) * unit; };
    return {cover(device.width(), kCdgScreenWidth), cover(device.height(), kCdgScreenHeight)};
}

void CdgScreenWidget::SetHint(const QString& hint)
{
    if (hint == m_hint) return;
    m_hint = hint;
    update();
}

void CdgScreenWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!Renderer()) {
        painter.fillRect(rect(), Qt::black);
    } else {
        std::lock_guard lock(m_mutex);
        const QSizeF device = QSizeF(size()) * devicePixelRatioF();
        // Whole multiples are drawn pixel for pixel; the rest is smoothed down to the widget.
        if (QSizeF(m_picture.size()) != device) painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(rect()), m_picture);
    }
    if (m_hint.isEmpty()) return;
    // The hint sits in the screen's lower third, over a shade that keeps it readable.
    QFont font = painter.font();
    font.setPixelSize(std::clamp(height() / 16, 11, 22));
    painter.setFont(font);
    const QRect band(width() / 12, height() * 2 / 3, width() * 10 / 12, height() / 4);
    QRect text = painter.boundingRect(band, Qt::AlignCenter | Qt::TextWordWrap, m_hint);
    text.adjust(-8, -4, 8, 4);
    painter.fillRect(text, QColor(0, 0, 0, 150));
    painter.setPen(Qt::white);
    painter.drawText(band, Qt::AlignCenter | Qt::TextWordWrap, m_hint);
}

void CdgScreenWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    {
        std::lock_guard lock(m_mutex);
        const QSize device = (QSizeF(size()) * devicePixelRatioF()).toSize();
        m_picture = QImage(PictureSize(device), QImage::Format_RGB32);
        m_picture.fill(Qt::black);
    }
    if (Renderer()) Renderer()->PresentAll();
}

void CdgScreenWidget::keyPressEvent(QKeyEvent* event)
{
    if (parentWidget()) QCoreApplication::sendEvent(parentWidget(), event);
    else QWidget::keyPressEvent(event);
}

void CdgScreenWidget::keyReleaseEvent(QKeyEvent* event)
{
    if (parentWidget()) QCoreApplication::sendEvent(parentWidget(), event);
    else QWidget::keyReleaseEvent(event);
}

void CdgScreenWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) emit Clicked(event->position().toPoint(), event->modifiers());
    QWidget::mousePressEvent(event);
}
