#pragma once

#include <QDialog>

class App;
class QHBoxLayout;
class QTextEdit;

// A scratch note. Its text lives only in memory, kept while the window is hidden.
class NoteDialog : public QDialog {
    Q_OBJECT
public:
    explicit NoteDialog(App* app);

    QTextEdit* text_edit() const { return m_text_edit; }

private:
    App* m_app;
    QHBoxLayout* m_layout;
    QTextEdit* m_text_edit;
};
