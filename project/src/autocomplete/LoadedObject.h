#pragma once

#include <QString>

// One autocomplete entry as the popup and the paste see it: a copied text, or the file name of
// an image in the images folder. The store keeps entries packed and hands out these on demand.
class LoadedObject {
public:
    LoadedObject() = default;
    LoadedObject(QString type, QString text) : m_type(std::move(type)), m_text(std::move(text)) {}

    bool is_image() const { return m_type == QLatin1String("image"); }

    QString m_type;
    QString m_text;
};
