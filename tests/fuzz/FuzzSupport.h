#pragma once

#include <QByteArray>
#include <QString>

// Shared by every fuzz target, in the libFuzzer build and in the replay driver. A target defines
// fuzz_one(); the entry point makes the application first and keeps the input for the reports.
void fuzz_one(const QByteArray& input);

namespace FuzzSupport {
// An empty folder of that name in this process's scratch folder (removed at exit).
QString fresh_folder(const QString& name);
// Writes bytes to path; a write that fails ends the run.
void write_file(const QString& path, const QByteArray& bytes);
// Ends the process with a message and the input: libFuzzer keeps the input.
[[noreturn]] void fail(const char* what, const QByteArray& detail = QByteArray());
} // namespace FuzzSupport

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            FuzzSupport::fail(#condition);                                                         \
    } while (false)
