#include "clipboard/SecretContent.h"

#include <QMimeData>

bool SecretContent::is_secret(const QMimeData* data) {
    return data && data->hasFormat(QLatin1String(hint_format())) &&
           data->data(QLatin1String(hint_format())).trimmed() == "secret";
}
