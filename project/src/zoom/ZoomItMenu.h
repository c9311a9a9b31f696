#pragma once

#include <QWidget>

class ShortcutsDialog;
class QLabel;
class QSlider;
class QTabWidget;

// The zoom page: the zoom level both zoom tools use (kept for the run) and their shortcuts.
class ZoomItMenu : public QWidget {
    Q_OBJECT
public:
    static const float levels[];
    static const int level_count;
    static constexpr int default_level_index = 1; // 1.5

    explicit ZoomItMenu(ShortcutsDialog* shortcuts);

    float zoom_level() const;
    QSlider* slider() const { return m_slider; }

public slots:
    void init_layout();
    void init_connects();
    void update_shortcuts();

protected:
    void showEvent(QShowEvent* event) override;

private:
    ShortcutsDialog* m_shortcuts;
    QTabWidget* m_tabs = nullptr;
    QSlider* m_slider = nullptr;
    QLabel* m_level = nullptr;
    QLabel* m_draw = nullptr;
    QLabel* m_toggle = nullptr;
};
