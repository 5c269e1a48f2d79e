// Records the event-log calls (RegisterEventSourceW, ReportEventW, DeregisterEventSource) that a
// module makes, through its import table, while a recorder lives. Wine keeps no event log to read
// back, so this is how tests see the reports of caught exceptions.
#pragma once
#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "import_patch.h"

struct LoggedEvent {
    HANDLE log;
    WORD type, category;
    DWORD id;
    bool user;
    std::vector<std::wstring> strings;
    DWORD dataSize;
    bool data;
};

struct EventLogState {
    std::mutex lock;  // reports may come from several threads
    bool registerFails = false;
    int registered = 0, deregistered = 0;
    bool serverGiven = false;
    std::wstring source;
    HANDLE deregisteredLog = nullptr;
    std::vector<LoggedEvent> events;
};

// The handle the fake RegisterEventSourceW gives out.
inline HANDLE const kLogHandle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x4C06));

// One recorder at a time; module is the library whose calls are recorded (the test program by
// default, into which the libraries under test are linked).
class EventLogRecorder : public EventLogState {
public:
    explicit EventLogRecorder(HMODULE module = SelfModule());
    ~EventLogRecorder();
    EventLogRecorder(const EventLogRecorder&) = delete;
    EventLogRecorder& operator=(const EventLogRecorder&) = delete;
    bool active() const { return register_.active() && report_.active() && deregister_.active(); }

private:
    ImportPatch register_, report_, deregister_;
};
