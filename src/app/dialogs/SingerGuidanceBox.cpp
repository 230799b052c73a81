#include "app/dialogs/SingerGuidanceBox.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <cmath>

#include "project/SingerGuidance.h"

namespace {

constexpr double kMsPerSecond = 1000.0;
constexpr double kGapStep = 0.5;

QDoubleSpinBox* GapSpin(QWidget* parent, const char* name, int32_t ms)
{
    auto* spin = new QDoubleSpinBox(parent);
    spin->setObjectName(name);
    spin->setDecimals(1);
    spin->setSingleStep(kGapStep);
    spin->setRange(SingerGuidance::kFewestGapMs / kMsPerSecond, SingerGuidance::kMostGapMs / kMsPerSecond);
    spin->setValue(ms / kMsPerSecond);
    return spin;
}

int32_t Ms(double seconds)
{
    return int32_t(std::lround(seconds * kMsPerSecond));
}

} // namespace

SingerGuidanceBox::SingerGuidanceBox(SingerGuidance& guidance, QWidget* parent)
    : QGroupBox(tr("Singer guidance"), parent), m_guidance(guidance)
{
    setObjectName("singerGuidance");
    auto* grid = new QGridLayout(this);
    m_countIn = new QCheckBox(tr("Count &in to lines after a gap of"), this);
    m_countIn->setObjectName("countIn");
    m_countIn->setChecked(guidance.countIn);
    m_countInGap = GapSpin(this, "countInGap", guidance.countInGapMs);
    m_notice = new QCheckBox(tr("Show an instrumental &notice for gaps of"), this);
    m_notice->setObjectName("notice");
    m_notice->setChecked(guidance.notice);
    m_noticeGap = GapSpin(this, "noticeGap", guidance.noticeGapMs);
    m_noticeText = new QLineEdit(QString::fromStdString(guidance.noticeText), this);
    m_noticeText->setObjectName("noticeText");
    auto* textLabel = new QLabel(tr("Noti&ce text:"), this);
    textLabel->setBuddy(m_noticeText);

    grid->addWidget(m_countIn, 0, 0);
    grid->addWidget(m_countInGap, 0, 1);
    grid->addWidget(new QLabel(tr("s"), this), 0, 2);
    grid->addWidget(m_notice, 1, 0);
    grid->addWidget(m_noticeGap, 1, 1);
    grid->addWidget(new QLabel(tr("s"), this), 1, 2);
    auto* textRow = new QHBoxLayout;
    textRow->addWidget(textLabel);
    textRow->addWidget(m_noticeText, 1);
    grid->addLayout(textRow, 2, 0, 1, 3);
    grid->setColumnStretch(3, 1);
    ShowEnabled();

    connect(m_countIn, &QCheckBox::toggled, this, [this](bool on) {
        m_guidance.countIn = on;
        ShowEnabled();
    });
    connect(m_notice, &QCheckBox::toggled, this, [this](bool on) {
        m_guidance.notice = on;
        ShowEnabled();
    });
    connect(m_countInGap, &QDoubleSpinBox::valueChanged, this, [this](double s) { m_guidance.countInGapMs = Ms(s); });
    connect(m_noticeGap, &QDoubleSpinBox::valueChanged, this, [this](double s) { m_guidance.noticeGapMs = Ms(s); });
    connect(m_noticeText, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_guidance.noticeText = text.toStdString(); });
}

void SingerGuidanceBox::ShowEnabled()
{
    m_countInGap->setEnabled(m_countIn->isChecked());
    m_noticeGap->setEnabled(m_notice->isChecked());
    m_noticeText->setEnabled(m_notice->isChecked());
}
