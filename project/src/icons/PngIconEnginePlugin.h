#pragma once

#include <QIconEnginePlugin>

// Offers PngIconEngine for icons made from ".png" files; built into the program and registered
// by main().
class PngIconEnginePlugin : public QIconEnginePlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QIconEngineFactoryInterface" FILE
                          "PngIconEnginePlugin.json")
public:
    QIconEngine* create(const QString& file_name) override;
};
