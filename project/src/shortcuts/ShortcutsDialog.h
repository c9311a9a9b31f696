#pragma once

#include "shortcuts/ShortcutTable.h"

#include <QDialog>
#include <QStringList>

class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;
class QSlider;

// The eighteen global shortcuts: holds their key sequences (HotkeyProcessor reads them here) and
// lets the user change one by clicking its button and pressing the new combination. Also holds
// the indicator's transparency slider.
class ShortcutsDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int row_count = ShortcutTable::row_count;
    static constexpr int max_keys = 5;

    explicit ShortcutsDialog(QWidget* parent);

    static QString label(int row);
    static QString default_sequence(int row);
    // Why a sequence may not be used (the keyboard hook needs it), or empty when it may.
    static QString refusal(const QString& sequence);

    QString sequence(int row) const { return m_sequences.value(row); }
    void set_sequence(int row, const QString& sequence);

    // The [Shortcuts] group of the settings file holds the rows that differ from the defaults.
    void load_sequences(QSettings& settings);
    void save_sequences(QSettings& settings) const;
    bool differs_from_defaults() const;

    QSlider* slider() const { return m_slider; }
    QPushButton* row_button(int row) const { return m_buttons.value(row); }
    QLineEdit* row_edit(int row) const { return m_edits.value(row); }
    // The line under the rows that says why a combination was refused.
    QLabel* message_label() const { return m_message; }
    bool is_capturing() const;

public slots:
    void on_button_ok_clicked();
    void on_pushButton_clicked() { start_capture(0); }
    void on_pushButton_2_clicked() { start_capture(1); }
    void on_pushButton_3_clicked() { start_capture(2); }
    void on_pushButton_4_clicked() { start_capture(3); }
    void on_pushButton_5_clicked() { start_capture(4); }
    void on_pushButton_6_clicked() { start_capture(5); }
    void on_pushButton_7_clicked() { start_capture(6); }
    void on_pushButton_8_clicked() { start_capture(7); }
    void on_pushButton_9_clicked() { start_capture(8); }
    void on_pushButton_10_clicked() { start_capture(9); }
    void on_pushButton_11_clicked() { start_capture(10); }
    void on_pushButton_12_clicked() { start_capture(11); }
    void on_pushButton_13_clicked() { start_capture(12); }
    void on_pushButton_14_clicked() { start_capture(13); }
    void on_pushButton_15_clicked() { start_capture(14); }
    void on_pushButton_16_clicked() { start_capture(15); }
    void on_pushButton_17_clicked() { start_capture(16); }
    void on_pushButton_18_clicked() { start_capture(17); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void build_form();
    void start_capture(int row);
    void end_capture();
    void show_row(int row, const QString& text);
    static QString key_name(int key);

    QStringList m_sequences;
    QSlider* m_slider = nullptr;
    QString m_capture_text;
    qint32 m_capture_count = 0;
    QPushButton* m_current_button = nullptr;
    QLineEdit* m_current_line_edit = nullptr;
    int m_current_row = -1;
    QPushButton* m_button_ok = nullptr;
    QLabel* m_message = nullptr;
    QList<QPushButton*> m_buttons;
    QList<QLineEdit*> m_edits;
};
