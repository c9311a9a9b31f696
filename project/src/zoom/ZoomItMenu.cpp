#include "zoom/ZoomItMenu.h"

#include "platform/Magnifier.h"
#include "platform/Platform.h"
#include "shortcuts/ShortcutsDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

const float ZoomItMenu::levels[] = {1.25f, 1.5f, 1.75f, 2.0f, 3.0f, 4.0f};
const int ZoomItMenu::level_count = int(sizeof(levels) / sizeof(levels[0]));

namespace {
// Rows of the shortcut table.
constexpr int live_zoom_row = 16;
constexpr int pen_zoom_row = 17;
} // namespace

ZoomItMenu::ZoomItMenu(ShortcutsDialog* shortcuts) : QWidget(nullptr), m_shortcuts(shortcuts) {
    setObjectName(QStringLiteral("ZoomItMenu"));
    setWindowTitle(QStringLiteral("Zoom"));
    init_layout();
    init_connects();
}

void ZoomItMenu::init_layout() {
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    layout->addWidget(m_tabs);

    auto* zoom = new QWidget(m_tabs);
    auto* grid = new QGridLayout(zoom);
    m_level = new QLabel(zoom);
    grid->addWidget(m_level, 0, 0, 1, level_count);
    m_slider = new QSlider(Qt::Horizontal, zoom);
    m_slider->setRange(0, level_count - 1);
    m_slider->setPageStep(1);
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_slider->setTickInterval(1);
    m_slider->setValue(default_level_index);
    grid->addWidget(m_slider, 1, 0, 1, level_count);
    for (int i = 0; i < level_count; ++i) {
        auto* scale = new QLabel(QString::number(double(levels[i]), 'g', 3), zoom);
        scale->setAlignment(i == 0 ? Qt::AlignLeft
                                   : (i == level_count - 1 ? Qt::AlignRight : Qt::AlignHCenter));
        grid->addWidget(scale, 2, i);
    }
    m_draw = new QLabel(zoom);
    m_draw->setWordWrap(true);
    grid->addWidget(m_draw, 3, 0, 1, level_count);
    grid->setRowStretch(4, 1);
    m_tabs->addTab(zoom, QStringLiteral("Zoom"));

    auto* live = new QWidget(m_tabs);
    auto* live_layout = new QVBoxLayout(live);
    m_toggle = new QLabel(live);
    m_toggle->setWordWrap(true);
    live_layout->addWidget(m_toggle);
    live_layout->addStretch(1);
    m_tabs->addTab(live, QStringLiteral("LiveZoom"));
    update_shortcuts();
    m_level->setText(QStringLiteral("Zoom level: %1x").arg(double(zoom_level())));
}

void ZoomItMenu::init_connects() {
    connect(m_slider, &QSlider::valueChanged, this, [this] {
        m_level->setText(QStringLiteral("Zoom level: %1x").arg(double(zoom_level())));
    });
}

void ZoomItMenu::update_shortcuts() {
    ShortcutsDialog* shortcuts = m_shortcuts;
    const QString pen = shortcuts ? shortcuts->sequence(pen_zoom_row) : QString();
    const QString live = shortcuts ? shortcuts->sequence(live_zoom_row) : QString();
    m_draw->setText(QStringLiteral("Draw: %1 freezes the screen and magnifies it; drag with the "
                                   "left button to draw, the right button wipes, Escape or %1 "
                                   "ends.")
                        .arg(pen));
    const QString unavailable = Platform::instance().magnifier().unavailable();
    m_toggle->setText(
        unavailable.isEmpty()
            ? QStringLiteral("LiveZoom Toggle: %1 magnifies the screen around the "
                             "pointer at the zoom level; %1 again ends it.")
                  .arg(live)
            : QStringLiteral("LiveZoom is not available on this desktop: %1.").arg(unavailable));
}

void ZoomItMenu::showEvent(QShowEvent* event) {
    update_shortcuts();
    QWidget::showEvent(event);
}

float ZoomItMenu::zoom_level() const {
    return levels[qBound(0, m_slider->value(), level_count - 1)];
}
