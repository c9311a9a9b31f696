#include "templates/TemplateMenu.h"

#include "common/DataPaths.h"
#include "ui_TemplateMenu.h"

#include <QCloseEvent>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>

namespace {
const QString txt = QStringLiteral(".txt");

QString with_txt(const QString& name) {
    return name.endsWith(txt) ? name : name + txt;
}

QString without_txt(const QString& name) {
    return name.endsWith(txt) ? name.left(name.size() - txt.size()) : name;
}

// A name that would leave the templates folder, or is no plain file name.
bool is_unsafe_name(const QString& base) {
    return base.contains(QLatin1Char('/')) || base.contains(QLatin1Char('\\')) ||
           base.contains(QChar(0)) || base.startsWith(QLatin1String(".."));
}
} // namespace

TemplateMenu::TemplateMenu(App* app_) : QWidget(nullptr), ui(new Ui::TemplateMenu), app(app_) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Templates"));
    ui->label_hint->setStyleSheet(QStringLiteral("color: #b00020;"));
    ui->label_hint->hide();
    m_dir = QDir(DataPaths::get().data_root() + QStringLiteral("/templates"));
    prepare_folder();
    qDebug().noquote() << "m_dir.currentPath(): " + m_dir.path();
    list_existing_files();
    init_connects();
}

TemplateMenu::~TemplateMenu() {
    qDeleteAll(m_files);
    delete ui;
}

QString TemplateMenu::help_text() {
    return QStringLiteral(
        "To insert your keywords into the templates you need to use special formatting. Use the "
        "special characters \"$X\" where X is the number of  column. For example: \n"
        "Hello, $1 . Thank you for contacting us regarding $2 .\n"
        "\n"
        "Here $1 will be replaced with the data from the first cell from row 1 and $2 will be "
        "replaced with the second cell from the same row. Works best when there's the same number "
        "of columns as the number of dollar sign keys.\n"
        "\n"
        "Then you can copy a table with two columns, a name and position for example, and use the "
        "shortcut Ctrl+Shift+B to paste multiple rows of that template with the data replaced with "
        "that of the copied excel table.\n"
        "\n"
        "Can have multiple uses of the same $X key.");
}

QString TemplateMenu::hint() const {
    return ui->label_hint->isHidden() ? QString() : ui->label_hint->text();
}

void TemplateMenu::show_hint(const QString& text) {
    ui->label_hint->setText(text);
    ui->label_hint->setVisible(!text.isEmpty());
    if (!text.isEmpty())
        qDebug().noquote() << "Templates:" << text;
}

bool TemplateMenu::prepare_folder() {
    const QFileInfo info(m_dir.path());
    if (info.isDir())
        return true;
    if (info.exists()) {
        show_hint(QStringLiteral("%1 is a file, not a folder: templates cannot be kept there.")
                      .arg(m_dir.path()));
        return false;
    }
    if (!QDir().mkpath(m_dir.path())) {
        qDebug() << "Failed to create directory templates";
        show_hint(QStringLiteral("The folder %1 could not be created.").arg(m_dir.path()));
        return false;
    }
    qDebug() << "Directory templates created";
    return true;
}

QString TemplateMenu::file_name(int index) const {
    return QFileInfo(m_files.at(index)->fileName()).fileName();
}

int TemplateMenu::index_of(const QString& path) const {
    for (int i = 0; i < m_files.size(); ++i)
        if (m_files.at(i)->fileName() == path)
            return i;
    return -1;
}

void TemplateMenu::list_existing_files() {
    // Templates made in earlier runs, or put into the folder by hand, are listed by name.
    bool added = false;
    const QStringList names = m_dir.entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        const QString path = m_dir.filePath(name);
        if (index_of(path) >= 0)
            continue;
        m_files.append(new QFile(path));
        added = true;
    }
    if (!added)
        return;
    refresh_list();
    ui->listWidget->setCurrentRow(m_current_index);
    if (ui->lineEdit->text().isEmpty() && ui->textEdit->document()->isEmpty())
        load_current();
}

void TemplateMenu::init_connects() {
    connect(ui->listWidget, &QListWidget::itemClicked, this, &TemplateMenu::entered_item);
    connect(ui->listWidget, &QListWidget::itemDoubleClicked, this,
            &TemplateMenu::on_button_select_clicked);
    connect(ui->button_new, &QPushButton::clicked, this, &TemplateMenu::new_template);
    connect(ui->button_save, &QPushButton::clicked, this, &TemplateMenu::save);
    connect(ui->button_delete, &QPushButton::clicked, this, &TemplateMenu::delete_selected);
    connect(ui->button_duplicate, &QPushButton::clicked, this, &TemplateMenu::duplicate);
    connect(ui->lineEdit, &QLineEdit::textChanged, this, &TemplateMenu::rename_file);
    connect(ui->lineEdit, &QLineEdit::editingFinished, this, &TemplateMenu::name_editing_finished);
    // Moving through the list with the keyboard shows each template, as a click does.
    connect(ui->listWidget, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row < m_files.size() && row != m_current_index)
            entered_item();
    });
}

void TemplateMenu::refresh_list() {
    ui->listWidget->clear();
    for (int i = 0; i < m_files.size(); ++i)
        ui->listWidget->addItem(without_txt(file_name(i)));
}

void TemplateMenu::new_template() {
    if (!prepare_folder())
        return;
    const int n = m_dir.entryList({QStringLiteral("*.*")}, QDir::Files, QDir::NoSort).size() + 1;
    const QString path = m_dir.filePath(QStringLiteral("New Template %1.txt").arg(n));

    // A file of that name that is already listed is shown, not listed a second time: two entries
    // for one file would rename and save it under each other's feet.
    int index = index_of(path);
    if (index < 0) {
        auto* file = new QFile(path);
        if (!file->open(QIODevice::ReadWrite)) {
            qDebug() << "There was a problem creating file";
            show_hint(QStringLiteral("%1 could not be created: %2")
                          .arg(QFileInfo(path).fileName(), file->errorString()));
            delete file;
            return;
        }
        file->close();
        m_files.append(file);
        refresh_list();
        index = m_files.size() - 1;
    }
    show_hint(QString());
    ui->listWidget->setCurrentRow(index);
    entered_item();
}

void TemplateMenu::entered_item() {
    const int row = ui->listWidget->currentRow();
    if (!m_files.isEmpty())
        save();
    if (row < 0 || row >= m_files.size())
        return;
    m_current_index = row;
    load_current();
}

void TemplateMenu::load_current() {
    if (m_current_index < 0 || m_current_index >= m_files.size())
        return;
    QFile& file = *m_files.at(m_current_index);
    QString text;
    // Read only: a template in a read-only folder can still be shown and selected.
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "There was a problem opening file";
        show_hint(QStringLiteral("%1 could not be opened: %2")
                      .arg(file_name(m_current_index), file.errorString()));
    } else {
        text = QString::fromUtf8(file.readAll());
        file.close();
    }
    show_name(without_txt(file_name(m_current_index)));
    ui->textEdit->setPlainText(text);
    // Only a changed text is written back: a file that is not valid UTF-8 is not rewritten
    // merely because it was looked at.
    m_loaded_text = ui->textEdit->toPlainText();
    ui->listWidget->setCurrentRow(m_current_index);
}

void TemplateMenu::show_name(const QString& name) {
    const QSignalBlocker blocker(ui->lineEdit);
    ui->lineEdit->setText(name);
}

void TemplateMenu::rename_file(const QString& text) {
    if (m_files.isEmpty() || m_current_index >= m_files.size())
        return;
    QFile& file = *m_files.at(m_current_index);
    const QString current = without_txt(file_name(m_current_index));
    const QString name = with_txt(text);

    // A refused name stays in the field while the user types on ("New Template 1" on the way
    // to "New Template 12"); the file keeps its name, and the field gets it back when the
    // editing ends (name_editing_finished).
    if (without_txt(name).isEmpty()) {
        show_hint(QStringLiteral("A template needs a name; it stays \"%1\".").arg(current));
        return;
    }
    if (is_unsafe_name(without_txt(name))) {
        show_hint(QStringLiteral("A name cannot hold \"/\", \"\\\", \"..\" or a NUL character."));
        return;
    }
    const QString target = m_dir.filePath(name);
    if (target == file.fileName()) {
        show_hint(QString());
        return;
    }
    if (QFileInfo::exists(target)) {
        show_hint(QStringLiteral("A template named \"%1\" exists already.").arg(without_txt(name)));
        return;
    }
    if (!file.rename(target)) {
        show_hint(
            QStringLiteral("\"%1\" could not be renamed: %2").arg(current, file.errorString()));
        return;
    }
    show_hint(QString());
    refresh_list();
    ui->listWidget->setCurrentRow(m_current_index);
}

void TemplateMenu::name_editing_finished() {
    if (m_files.isEmpty() || m_current_index >= m_files.size())
        return;
    const QString current = without_txt(file_name(m_current_index));
    if (with_txt(ui->lineEdit->text()) != with_txt(current))
        show_name(current); // the hint still says why
}

void TemplateMenu::save() {
    if (ui->textEdit->toPlainText().isEmpty())
        return;
    if (m_files.isEmpty()) {
        new_template();
        // new_template shows the new file; what was typed goes into it.
        if (m_files.isEmpty())
            return;
    }
    const QString text = ui->textEdit->toPlainText();
    if (text == m_loaded_text)
        return;
    QFile& file = *m_files.at(m_current_index);
    QSaveFile out(file.fileName());
    // A read-only folder with a writable file: write in place.
    out.setDirectWriteFallback(true);
    const QByteArray bytes = text.toUtf8();
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        qDebug() << "There was a problem opening file";
        show_hint(QStringLiteral("%1 could not be saved: %2")
                      .arg(file_name(m_current_index), out.errorString()));
        return;
    }
    m_loaded_text = text;
}

void TemplateMenu::duplicate() {
    if (!ui->listWidget->currentItem() || m_files.isEmpty())
        return;
    const QString name = ui->lineEdit->text();
    const QString text = ui->textEdit->toPlainText();
    save();
    const int before = m_files.size();
    new_template();
    if (m_files.size() == before)
        return;
    ui->lineEdit->setText(name + QStringLiteral(" duplicate"));
    ui->textEdit->setPlainText(text);
    save();
}

void TemplateMenu::delete_selected() {
    if (m_files.isEmpty())
        return;
    QFile* file = m_files.at(m_current_index);
    if (file->exists() && !file->remove()) {
        qDebug() << "Problem deleting file";
        show_hint(QStringLiteral("%1 could not be deleted: %2")
                      .arg(file_name(m_current_index), file->errorString()));
        return;
    }
    delete m_files.takeAt(m_current_index);
    m_current_index = 0;
    refresh_list();
    show_hint(QString());
    if (m_files.isEmpty()) {
        show_name(QString());
        ui->textEdit->clear();
        m_loaded_text.clear();
    } else {
        load_current();
    }
}

void TemplateMenu::on_button_select_clicked() {
    if (m_files.isEmpty())
        return;
    save();
    m_selected_template = ui->textEdit->toPlainText();
    hide();
}

void TemplateMenu::on_button_help_clicked() {
    QMessageBox box;
    box.setText(help_text());
    box.exec();
}

void TemplateMenu::showEvent(QShowEvent* event) {
    qDebug().noquote() << "m_dir.currentPath(): " + m_dir.path();
    if (prepare_folder())
        list_existing_files();
    QWidget::showEvent(event);
}

void TemplateMenu::closeEvent(QCloseEvent* event) {
    save();
    QWidget::closeEvent(event);
}
