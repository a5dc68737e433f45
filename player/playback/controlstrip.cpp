#include "playback/controlstrip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QToolButton>

#include "playback/audioengine.h"
#include "playback/playbacktexts.h"

ControlStrip::ControlStrip(AudioEngine* player, QWidget* parent)
    : QWidget(parent)
    , m_player(player)
    , m_playStop(new QToolButton(this))
    , m_volume(new QSlider(Qt::Horizontal, this))
    , m_status(new QLabel(this))
    , m_sleep(new QLabel(this))
    // Made once: each icon the style makes loads its pictures afresh, and
    // every one drawn stays in the toolkit's pixmap cache.
    , m_playIcon(style()->standardIcon(QStyle::SP_MediaPlay))
    , m_stopIcon(style()->standardIcon(QStyle::SP_MediaStop))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(6);

    m_playStop->setAutoRaise(true);
    m_volume->setRange(0, 100);
    m_volume->setValue(player->volume());
    m_volume->setToolTip(playbacktexts::kVolumeTip);
    m_volume->setFixedWidth(100);
    // A long stream title must not widen the window: the label takes the
    // room left and is cut there.
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_status->setTextFormat(Qt::PlainText);

    layout->addWidget(m_playStop);
    layout->addWidget(m_volume);
    layout->addWidget(m_status, 1);
    m_sleep->setTextFormat(Qt::PlainText);
    m_sleep->hide();
    layout->addWidget(m_sleep);

    connect(m_playStop, &QToolButton::clicked, this, &ControlStrip::onPlayStop);
    connect(m_volume, &QSlider::valueChanged, player, &AudioEngine::setVolume);
    connect(player, &AudioEngine::volumeChanged, this, [this](int percent) {
        const QSignalBlocker blocker(m_volume);
        m_volume->setValue(percent);
    });
    connect(player, &AudioEngine::stateChanged, this, &ControlStrip::refresh);
    connect(player, &AudioEngine::statusTextChanged, this, &ControlStrip::refresh);
    refresh();
}

void ControlStrip::onPlayStop()
{
    if (m_player->isActive())
        m_player->stop();
    else
        m_player->replay();
}

void ControlStrip::refresh()
{
    const bool active = m_player->isActive();
    m_playStop->setIcon(active ? m_stopIcon : m_playIcon);
    m_playStop->setToolTip(active ? playbacktexts::kStopTip : playbacktexts::kPlayTip);
    m_playStop->setEnabled(active || m_player->hasStation());
    m_status->setText(m_player->statusText());
    m_status->setToolTip(m_player->statusText());
}

void ControlStrip::setSleepText(const QString& text)
{
    m_sleep->setText(text);
    m_sleep->setVisible(!text.isEmpty());
}
