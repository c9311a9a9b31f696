#pragma once

#include <QByteArray>
#include <QString>

// Shared by every fuzz target, in the libFuzzer build and in the replay driver. A target defines
// fuzz_one(); the entry point makes the application first and keeps the input for the reports.
void fuzz_one(const QByteArray& input);

namespace FuzzSupport {
// A Qt application object, the log silenced, and a private scratch folder; once per process.
void init();
// The scratch folder of this process (removed at exit).
QString scratch();
// Ends the process with a message and the input: libFuzzer keeps the input.
[[noreturn]] void fail(const char* what, const QByteArray& detail = QByteArray());
} // namespace FuzzSupport

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            FuzzSupport::fail(#condition);                                                         \
    } while (false)
