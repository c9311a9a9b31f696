#pragma once

#include <QtGlobal>

// What only a POSIX file system has: permission bits for owner, group and others, and FIFOs.
// Windows keeps access in ACLs (a user's profile folders are the user's alone) and has no FIFOs,
// so checks of those hold only where they exist.
#ifdef Q_OS_WIN
constexpr bool has_posix_files = false;
#else
constexpr bool has_posix_files = true;
#endif
