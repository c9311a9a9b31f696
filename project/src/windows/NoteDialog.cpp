#include "windows/NoteDialog.h"

#include "common/UiScale.h"

#include <QHBoxLayout>
#include <QTextEdit>

NoteDialog::NoteDialog(App* app)
    : QDialog(nullptr), m_app(app), m_layout(new QHBoxLayout(this)),
      m_text_edit(new QTextEdit(this)) {
    setObjectName(QStringLiteral("NoteDialog"));
    resize(UiScale::size(400, 300));
    m_layout->setObjectName(QStringLiteral("horizontalLayout"));
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_text_edit->setObjectName(QStringLiteral("textEdit"));
    m_layout->addWidget(m_text_edit);
    setWindowTitle(QStringLiteral("Note"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}
