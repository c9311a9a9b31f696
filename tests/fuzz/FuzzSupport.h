#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

// Shared by every fuzz target, in the libFuzzer build and in the replay driver.
namespace FuzzSupport {
// A Qt application object, the log silenced, and a private scratch folder; once per process.
void init();
// The scratch folder of this process (removed at exit).
QString scratch();
// Ends the process with a message when a property does not hold: libFuzzer keeps the input.
[[noreturn]] void fail(const char* what, const QByteArray& detail = QByteArray());
inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), int(size));
}
} // namespace FuzzSupport

#define FUZZ_CHECK(condition, detail)                                                              \
    do {                                                                                           \
        if (!(condition))                                                                          \
            FuzzSupport::fail(#condition, detail);                                                 \
    } while (false)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
