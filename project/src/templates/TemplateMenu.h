#pragma once

#include <QDir>
#include <QString>
#include <QVector>
#include <QWidget>

class App;
class QFile;

namespace Ui {
class TemplateMenu;
}

// The Templates window: creates, names, edits, duplicates, deletes and selects the template
// files of the templates folder. The selected template is what the special paste fills.
class TemplateMenu : public QWidget {
    Q_OBJECT
public:
    explicit TemplateMenu(App* app);
    ~TemplateMenu() override;

    QString selected_template() const { return m_selected_template; }
    QString templates_dir() const { return m_dir.path(); }
    // The last problem shown in the window, empty when the last action went well.
    QString hint() const;

    static QString help_text();

public slots:
    void refresh_list();
    void entered_item();
    void new_template();
    void save();
    void duplicate();
    void delete_selected();
    void init_connects();
    void rename_file(const QString& text);
    // A name refused while typing gives way to the file's name when the editing ends.
    void name_editing_finished();
    void on_button_select_clicked();
    void on_button_help_clicked();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool prepare_folder();
    void list_existing_files();
    void load_current();
    void show_name(const QString& name);
    void show_hint(const QString& text);
    QString file_name(int index) const;
    int index_of(const QString& path) const;

    Ui::TemplateMenu* ui;
    App* app;
    QVector<QFile*> m_files;
    QDir m_dir;
    int m_current_index = 0;
    QString m_selected_template;
    // The editor's text as last read from or written to the file.
    QString m_loaded_text;
};
