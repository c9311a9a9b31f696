#include "app/TerminationHandler.h"

#include "app/App.h"
#include "platform/Platform.h"

#include <QCoreApplication>

void TerminationHandler::install() {
    Platform::instance().on_termination_request(&TerminationHandler::handle);
}

void TerminationHandler::handle() {
    if (App* app = Singleton<App>::instance())
        app->quit();
    else
        QCoreApplication::quit();
}
