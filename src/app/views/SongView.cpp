#include "app/views/SongView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <algorithm>

#include "app/AppContext.h"
#include "app/AppSettings.h"
#include "app/QtUserPrompt.h"
#include "document/SongDocument.h"
#include "project/KaraokeSong.h"
#include "app/CommandIds.h"
#include "app/widgets/CWaveformStrip.h"
#include "app/widgets/CdgScreenWidget.h"
#include "player/KaraokePlayer.h"
#include "player/CdgScreen.h"
#include "player/PagePreview.h"

namespace {

const char* const kModeTexts[SongView::kModeCount] = {"E&dit Lyrics", "Place &Lyrics", "&Adjust Lyrics",
                                                       "&Play Final", "&Settings..."};
const int kModeCommands[SongView::kModeCount] = {CommandId::ModeEditLyrics, CommandId::ModePlaceLyrics,
                                                  CommandId::ModeAdjustLyrics, CommandId::ModePlayFinal,
                                                  CommandId::Settings};
const QColor kGreen(0, 255, 0);
constexpr const char* kWaveformHeight = "WaveformHeight";
constexpr const char* kShowWaveform = "ShowWaveform";
constexpr const char* kGreenProperty = "greenFace";

} // namespace

SongView::SongView(AppContext& app, int viewId, QWidget* parent) : QWidget(parent), m_app(app), m_viewId(viewId)
{
    for (int i = 0; i < kModeCount; ++i) {
        m_modeButtons[i] = new QPushButton(tr(kModeTexts[i]), this);
        m_modeButtons[i]->setObjectName(QString("mode%1").arg(i + 1));
        m_modeButtons[i]->setFocusPolicy(Qt::TabFocus);
        connect(m_modeButtons[i], &QPushButton::clicked, this, [this, i] { OnMode(i); });
    }
    if (viewId >= 1 && viewId <= 4) SetGreenFace(m_modeButtons[viewId - 1], true);
    qApp->installEventFilter(this);
}

bool SongView::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (m_closed || (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride))
        return false;
    auto* target = qobject_cast<QWidget*>(watched);
    if (!target) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (!OwnsKey(target)) {
        // The menu bar walked with the keys (Alt+E, then Escape) keeps the focus; a letter that
        // none of its items has is still a view's button.
        QMenuBar* bar = MenuBarOf(target);
        QAbstractButton* button = bar ? MnemonicButton(key) : nullptr;
        if (!button || MenuBarHasMnemonic(*bar, key)) return false;
        if (type == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        if (type == QEvent::KeyPress) {
            bar->setActiveAction(nullptr);
            setFocus(Qt::ShortcutFocusReason);
            button->animateClick();
        }
        return true;
    }
    // The view's own underlined letters come before the menu bar's, as in a dialog.
    if (QAbstractButton* button = MnemonicButton(key)) {
        if (type == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        if (type == QEvent::KeyPress) button->animateClick();
        return true;
    }
    if (type == QEvent::ShortcutOverride) return false;
    return type == QEvent::KeyPress ? ViewKeyPress(key) : ViewKeyRelease(key);
}

QMenuBar* SongView::MenuBarOf(QWidget* target) const
{
    if (target->window() != window()) return nullptr;
    for (QWidget* w = target; w; w = w->parentWidget())
        if (auto* bar = qobject_cast<QMenuBar*>(w)) return bar;
    return nullptr;
}

bool SongView::MenuBarHasMnemonic(const QMenuBar& bar, const QKeyEvent* key)
{
    const QKeySequence pressed(key->key() | Qt::AltModifier);
    for (const QAction* action : bar.actions())
        if (action->isVisible() && QKeySequence::mnemonic(action->text()) == pressed) return true;
    return false;
}

bool SongView::OwnsKey(const QWidget* target) const
{
    if (target == this || isAncestorOf(target)) return true;
    // Dialogs, boxes and menus are windows of their own; the menu bar keeps the keys it is
    // walked with.
    if (target->window() != window()) return false;
    for (const QWidget* w = target; w; w = w->parentWidget())
        if (qobject_cast<const QMenuBar*>(w)) return false;
    return true;
}

void SongView::TakeKeyboard()
{
    if (m_closed) return;
    QWidget* target = KeyboardTarget();
    if (!target || !target->isEnabled() || !target->isVisibleTo(this)) target = this;
    target->setFocus(Qt::OtherFocusReason);
}

QAbstractButton* SongView::MnemonicButton(const QKeyEvent* key) const
{
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier || key->key() == Qt::Key_Alt) return nullptr;
    const QKeySequence pressed(key->key() | Qt::AltModifier);
    QAbstractButton* own = nullptr;
    for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(this) || !button->isEnabled()) continue;
        if (QKeySequence::mnemonic(button->text()) != pressed) continue;
        // The view's own mode button does nothing; another button with the letter is meant.
        if (button->property(kGreenProperty).toBool()) {
            own = button;
            continue;
        }
        return button;
    }
    return own;
}

SongView::~SongView()
{
    qApp->removeEventFilter(this);
    if (m_renderer) m_renderer->DetachWindows();
}

void SongView::CloseView()
{
    StopPlaying();
    // The strip's frames end with the view, whatever its own stop did.
    if (m_waveform) m_waveform->SetPlaying(false);
    // The view's done event ends with it; the next view readies the player with its own.
    if (KaraokePlayer* player = GlobalPlayer()) player->SetDoneEvent(nullptr);
    m_closed = true;
}

KaraokePlayer& SongView::Player()
{
    if (KaraokePlayer* player = GlobalPlayer()) return *player;
    PlaybackPriorities priorities;
    priorities.readPriority =
        m_app.Settings().Int(AppSettings::kDefault, "AutoPlayCDGReadPriority", priorities.readPriority);
    priorities.displayPriority =
        m_app.Settings().Int(AppSettings::kDefault, "AutoPlayCDGDisplayPriority", priorities.displayPriority);
    return CreateGlobalPlayer(&m_app.Prompt(), nullptr, priorities);
}

void SongView::SetGreenFace(QPushButton* button, bool green)
{
    QPalette palette = QApplication::palette(button);
    if (green) {
        palette.setColor(QPalette::Button, kGreen);
        palette.setColor(QPalette::ButtonText, Qt::black);
    }
    button->setPalette(palette);
    button->setProperty(kGreenProperty, green);
}

bool SongView::HasGreenFace(const QPushButton* button)
{
    return button->property(kGreenProperty).toBool() && button->palette().color(QPalette::Button) == kGreen;
}

CdgScreenWidget* SongView::AddViewer(QWidget* frame)
{
    if (m_viewer) return m_viewer;
    m_renderer = std::make_unique<CdgScreen>();
    m_viewer = new CdgScreenWidget(frame ? frame : this);
    m_viewer->setObjectName("viewer");
    m_renderer->AttachWindow(m_viewer);
    return m_viewer;
}

void SongView::ShowLyricPage(int page)
{
    if (!m_renderer) return;
    // One present for the whole page instead of one per line.
    m_renderer->SetSuppressPresent(true);
    DrawLyricPagePreview(*m_renderer, m_app.Song(), page);
    m_renderer->SetSuppressPresent(false);
    m_renderer->PresentAll();
}

QSize SongView::ButtonSize(const QWidget& reference, const QString& text)
{
    QPushButton probe(text);
    probe.setFont(reference.font());
    return probe.sizeHint();
}

void SongView::NarrowToText(QPushButton* button)
{
    const QStyle* style = button->style();
    const int text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width();
    const int margins = style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                        2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
    button->setMinimumWidth(std::max(text + margins, button->sizeHint().height()));
}

QSize SongView::ModeRowNeeds(const QWidget& reference)
{
    QSize button;
    for (const char* text : kModeTexts) button = button.expandedTo(ButtonSize(reference, tr(text)));
    return {2 * kMargin + kModeCount * button.width() + (kModeCount - 1) * kGap, button.height() + kMargin};
}

QSize SongView::Needs(const QWidget& reference)
{
    const QSize row = ModeRowNeeds(reference);
    return {std::max(row.width(), 2 * kMargin + kMinimumScreenWidth + 2 * kViewerInset),
            kMargin + kMinimumScreenHeight + 2 * kViewerInset + kGap + row.height()};
}

int SongView::ModeRowHeight() const
{
    int h = 0;
    for (const QPushButton* b : m_modeButtons) h = std::max(h, b->sizeHint().height());
    return h;
}

int SongView::LayoutModeRow()
{
    const int h = ModeRowHeight();
    int w = 0;
    for (const QPushButton* b : m_modeButtons) w = std::max(w, b->sizeHint().width());
    // Equal buttons, narrowed when the window is too small for their natural width.
    w = std::max(1, std::min(w, (width() - 2 * kMargin - (kModeCount - 1) * kGap) / kModeCount));
    const int top = height() - kMargin - h;
    for (int i = 0; i < kModeCount; ++i) m_modeButtons[i]->setGeometry(kMargin + i * (w + kGap), top, w, h);
    return top;
}

void SongView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int rowTop = LayoutModeRow();
    if (!m_viewer) return;
    m_viewer->setGeometry(ScreenBox(QRect(kMargin, kMargin, width() - 2 * kMargin, rowTop - kGap - kMargin)));
}

QRect SongView::ScreenBox(const QRect& room)
{
    const int h = std::max(1, std::min(room.height(), room.width() * 3 / 4));
    const int w = std::max(1, std::min(room.width(), h * 4 / 3));
    return {room.left() + std::max(0, room.width() - w) / 2, room.top(), w, h};
}

CWaveformStrip* SongView::AddWaveform()
{
    if (m_waveform) return m_waveform;
    m_waveform = new CWaveformStrip(m_app.Document(), this);
    // Written out so that the settings file shows what can be set.
    if (!m_app.Settings().Has(AppSettings::kSettings, kWaveformHeight))
        m_app.Settings().SetInt(AppSettings::kSettings, kWaveformHeight, CWaveformStrip::kDefaultHeight);
    m_waveform->setVisible(m_app.Settings().Int(AppSettings::kSettings, kShowWaveform, 1) != 0);
    return m_waveform;
}

void SongView::ShowWaveform(bool shown)
{
    if (!m_waveform || m_waveform->isVisibleTo(this) == shown) return;
    m_waveform->setVisible(shown);
    Relayout();
}

int SongView::WaveformNeeds()
{
    return CWaveformStrip::kMinimumHeight + kGap;
}

int SongView::WaveformHeightIn(int room) const
{
    if (!m_waveform || !m_waveform->isVisibleTo(this)) return 0;
    const int wanted = std::clamp(m_app.Settings().Int(AppSettings::kSettings, kWaveformHeight,
                                                       CWaveformStrip::kDefaultHeight),
                                  int(CWaveformStrip::kMinimumHeight), int(CWaveformStrip::kMaximumHeight));
    const int spare = room - kGap - kMinimumScreenHeight - 2 * kViewerInset;
    return std::clamp(spare, int(CWaveformStrip::kMinimumHeight), wanted);
}

void SongView::Relayout()
{
    QResizeEvent event(size(), size());
    QApplication::sendEvent(this, &event);
}

void SongView::LayoutWithControls(QWidget* controls)
{
    const int rowTop = LayoutModeRow();
    // Controls whose texts wrap take the height their width gives them.
    const int w = std::max(1, width() - 2 * kMargin);
    const int h = controls->hasHeightForWidth()
                      ? std::max(controls->heightForWidth(w), controls->minimumSizeHint().height())
                      : controls->sizeHint().height();
    int top = rowTop - kGap - h;
    controls->setGeometry(kMargin, top, std::max(1, width() - 2 * kMargin), h);
    if (const int stripH = WaveformHeightIn(top - kGap - kMargin)) {
        top -= kGap + stripH;
        m_waveform->setGeometry(kMargin, top, w, stripH);
    }
    if (!m_viewer) return;
    const QRect box = ScreenBox(QRect(kMargin, kMargin, w, top - kGap - kMargin));
    m_viewer->setGeometry(box.adjusted(kViewerInset, kViewerInset, -kViewerInset, -kViewerInset));
}

void SongView::UpdateControls()
{
    for (int i = 0; i < kModeCount; ++i) {
        const bool own = i + 1 == m_viewId;
        m_modeButtons[i]->setEnabled(own || m_app.CommandEnabled(kModeCommands[i]));
    }
}

void SongView::OnMode(int index)
{
    // A view's own button does nothing.
    if (index < 4 && index + 1 == m_viewId) return;
    StopPlaying();
    m_app.RunCommand(kModeCommands[index]);
}
