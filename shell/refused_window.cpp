#include "shell/refused_window.h"

#include "win32_common/handles.h"

namespace quil::win {

namespace {

Elevation deniedOr(Elevation otherwise) {
    return GetLastError() == ERROR_ACCESS_DENIED ? Elevation::Denied : otherwise;
}

Elevation tokenElevation(HANDLE process) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return deniedOr(Elevation::Unknown);
    const UniqueHandle owned(token);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size)) {
        return deniedOr(Elevation::Unknown);
    }
    return elevation.TokenIsElevated != 0 ? Elevation::Elevated : Elevation::NotElevated;
}

}  // namespace

bool refusesInput(const WindowOwnerFacts& facts) {
    if (facts.owner != WindowOwner::Other || facts.weAreElevated) return false;
    return facts.theirs == Elevation::Elevated || facts.theirs == Elevation::Denied;
}

Elevation processElevation(DWORD processId) {
    if (processId == GetCurrentProcessId()) return tokenElevation(GetCurrentProcess());
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) return deniedOr(Elevation::Unknown);
    return tokenElevation(process.get());
}

WindowOwnerFacts ownerFactsAt(POINT p) {
    WindowOwnerFacts facts;
    const HWND window = WindowFromPoint(p);
    DWORD owner = 0;
    if (window == nullptr || GetWindowThreadProcessId(window, &owner) == 0 || owner == 0) {
        return facts;
    }
    if (owner == GetCurrentProcessId()) {
        facts.owner = WindowOwner::Us;
        return facts;
    }
    facts.owner = WindowOwner::Other;
    facts.theirs = processElevation(owner);
    // Our rights do not change while we run.
    static const bool weAreElevated =
        processElevation(GetCurrentProcessId()) == Elevation::Elevated;
    facts.weAreElevated = weAreElevated;
    return facts;
}

}  // namespace quil::win
