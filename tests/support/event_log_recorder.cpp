// The event-log recorder.
#include "event_log_recorder.h"

namespace {

EventLogState* g_eventLog;

HANDLE WINAPI FakeRegisterEventSourceW(LPCWSTR server, LPCWSTR source)
{
    std::lock_guard<std::mutex> hold(g_eventLog->lock);
    ++g_eventLog->registered;
    g_eventLog->serverGiven = server != nullptr;
    g_eventLog->source = source ? source : L"(null)";
    if (g_eventLog->registerFails) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return kLogHandle;
}

BOOL WINAPI FakeReportEventW(HANDLE log, WORD type, WORD category, DWORD id, PSID user, WORD count, DWORD dataSize,
                             LPCWSTR* strings, LPVOID data)
{
    LoggedEvent event{log, type, category, id, user != nullptr, {}, dataSize, data != nullptr};
    for (WORD i = 0; i < count && strings; ++i) event.strings.push_back(strings[i] ? strings[i] : L"(null)");
    std::lock_guard<std::mutex> hold(g_eventLog->lock);
    g_eventLog->events.push_back(event);
    return TRUE;
}

BOOL WINAPI FakeDeregisterEventSource(HANDLE log)
{
    std::lock_guard<std::mutex> hold(g_eventLog->lock);
    ++g_eventLog->deregistered;
    g_eventLog->deregisteredLog = log;
    return TRUE;
}

}  // namespace

EventLogRecorder::EventLogRecorder(HMODULE module)
    : register_(module, "advapi32.dll", "RegisterEventSourceW", reinterpret_cast<const void*>(&FakeRegisterEventSourceW)),
      report_(module, "advapi32.dll", "ReportEventW", reinterpret_cast<const void*>(&FakeReportEventW)),
      deregister_(module, "advapi32.dll", "DeregisterEventSource",
                  reinterpret_cast<const void*>(&FakeDeregisterEventSource))
{
    g_eventLog = this;
}

EventLogRecorder::~EventLogRecorder()
{
    g_eventLog = nullptr;
}
