#include "icons/PngIconEnginePlugin.h"

#include "icons/PngIconEngine.h"

QIconEngine* PngIconEnginePlugin::create(const QString& file_name) {
    auto* engine = new PngIconEngine;
    // QIcon adds the file itself after this; an engine made for a stream has no file.
    Q_UNUSED(file_name);
    return engine;
}
