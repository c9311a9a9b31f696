#pragma once

#include <QDialog>

class QLabel;
class QVBoxLayout;

// The image preview beside a popup; never takes focus or the mouse.
class ImageViewer : public QDialog {
    Q_OBJECT
public:
    explicit ImageViewer(QWidget* parent);

    void set_image(const QPixmap& pixmap);
    // Shows pixmap right of popup, or left of it when it would leave the screen on the right.
    void show_beside(const QWidget* popup, const QPixmap& pixmap);
    // The preview of an image, fitted into 200 x 200; nothing for a null image.
    void preview(const QWidget* popup, const QImage& image);

public slots:
    void hide_me();

protected:
    void leaveEvent(QEvent* event) override;

private:
    QLabel* m_label = nullptr;
    QVBoxLayout* m_layout = nullptr;
};
