#include "platform/PeerCredentials.h"

#include <windows.h>

#include <memory>
#include <vector>

namespace {
struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// The user SID of a process's token; empty when it cannot be read.
std::vector<char> user_of(HANDLE process) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return {};
    const Handle owned(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<char> buffer(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
        return {};
    return buffer;
}

QString last_error() {
    return QStringLiteral("system error %1").arg(GetLastError());
}
} // namespace

bool PeerCredentials::same_user(qintptr descriptor, QString* error) {
    const HANDLE pipe = reinterpret_cast<HANDLE>(descriptor);
    ULONG pid = 0;
    if (!GetNamedPipeClientProcessId(pipe, &pid)) {
        *error = QStringLiteral("cannot tell the pipe's client: %1").arg(last_error());
        return false;
    }
    const std::vector<char> ours = user_of(GetCurrentProcess());
    const Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    const std::vector<char> theirs = process ? user_of(process.get()) : std::vector<char>();
    if (!ours.empty() && !theirs.empty()) {
        const auto* a = reinterpret_cast<const TOKEN_USER*>(ours.data());
        const auto* b = reinterpret_cast<const TOKEN_USER*>(theirs.data());
        if (EqualSid(a->User.Sid, b->User.Sid))
            return true;
        *error = QStringLiteral("the client (process %1) runs as another user").arg(pid);
        return false;
    }
    // A process we may not look into (elevated, protected): its logon session must be ours.
    ULONG client_session = 0;
    DWORD own_session = 0;
    if (GetNamedPipeClientSessionId(pipe, &client_session) &&
        ProcessIdToSessionId(GetCurrentProcessId(), &own_session) && client_session == own_session)
        return true;
    *error = QStringLiteral("cannot tell the user of the client (process %1): %2")
                 .arg(pid)
                 .arg(last_error());
    return false;
}
