// The structured-exception guard of the entry points and the event-log report it writes. Faults
// are provoked for real; the event log is observed through the test program's import table.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "drvglobals.h"
#include "exception_guard.h"
#include "exception_report.h"
#include "event_log_recorder.h"
#include "import_patch.h"
#include "module.h"

namespace {

// ---- Faults --------------------------------------------------------------------------------

// An address at which no page is ever mapped, read at run time so that the compiler cannot see
// the fault coming.
volatile ULONG_PTR g_badAddress = 0x10;
volatile int g_zero = 0;
volatile int g_intMax = INT_MAX;
volatile int g_sink;

constexpr DWORD kCustomCode = 0xE0001234;

__attribute__((noinline)) void WriteToBadAddress() { *reinterpret_cast<volatile int*>(g_badAddress) = 1; }
__attribute__((noinline)) void Trap() { __builtin_trap(); }
// Signed overflow: the undefined-behaviour check of the build traps.
__attribute__((noinline)) void OverflowSigned() { g_sink = g_intMax + 1; }
// Divided for real: the undefined-behaviour check would trap before the division.
__attribute__((noinline, no_sanitize_undefined)) void DivideByZero() { g_sink = 7 / g_zero; }
__attribute__((noinline)) void RaiseCustom()
{
    const ULONG_PTR parameters[2] = {7, 9};
    RaiseException(kCustomCode, 0, 2, parameters);
}
__attribute__((noinline)) void ThrowCxx() { throw std::runtime_error("escapes"); }
// Recursion that ends only with the stack. Each call takes a page, which it probes before use, so
// the overflow happens at the top of the stack's last page, where the system has room left to
// raise the exception (Wine ends the thread silently when too little of that page is left).
__attribute__((noinline)) int Recurse(int depth)
{
    volatile char frame[4096];
    frame[0] = static_cast<char>(depth);
    return depth < INT_MAX - 1 ? Recurse(depth + 1) + frame[0] : 0;
}

// A page of code outside every module: one illegal instruction at its start.
class LooseCode {
public:
    LooseCode()
    {
        page_ = static_cast<BYTE*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
        if (!page_) return;
        page_[0] = 0x0F;  // ud2
        page_[1] = 0x0B;
        FlushInstructionCache(GetCurrentProcess(), page_, 2);
    }
    ~LooseCode()
    {
        if (page_) VirtualFree(page_, 0, MEM_RELEASE);
    }
    bool ready() const { return page_ != nullptr; }
    void* address() const { return page_; }
    void run() const { reinterpret_cast<void (*)()>(page_)(); }

private:
    BYTE* page_ = nullptr;
};

const LooseCode* g_looseCode;
void RunLooseCode() { g_looseCode->run(); }

// A function of a system library that does not guard its argument, given a bad pointer: the
// fault happens inside that library.
__attribute__((noinline)) void FaultInsideNtdll()
{
    using Length = size_t(__cdecl*)(const wchar_t*);
    auto length =
        reinterpret_cast<Length>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wcslen")));
    if (length) g_sink = static_cast<int>(length(reinterpret_cast<const wchar_t*>(g_badAddress)));
}

HMODULE ModuleOf(const void* address)
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       static_cast<LPCWSTR>(address), &module);
    return module;
}

// A fault inside a function lies in its first bytes (these functions are a few instructions).
bool InsideFunction(const void* address, void (*function)())
{
    const auto at = reinterpret_cast<ULONG_PTR>(address), start = reinterpret_cast<ULONG_PTR>(function);
    return at >= start && at < start + 64;
}

std::wstring ModulePath(HMODULE module)
{
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(module, path, MAX_PATH);
    return path;
}

// Upper-case hexadecimal, at least eight digits.
std::wstring Hex(ULONG_PTR value)
{
    std::wstring text;
    do {
        text.insert(text.begin(), L"0123456789ABCDEF"[value & 0xF]);
        value >>= 4;
    } while (value);
    return std::wstring(text.size() < 8 ? 8 - text.size() : 0, L'0') + text;
}

// The library is the test program: the report names it when no module holds the address.
class ExceptionReportTest : public testing::Test {
protected:
    void SetUp() override
    {
        saved_ = g_hInst;
        g_hInst = SelfModule();
        ASSERT_TRUE(log_.active());
    }
    void TearDown() override { g_hInst = saved_; }

    // The one event the report wrote, checked against the fixed parts of every report.
    const LoggedEvent* OneEvent(const GUARDED_ENTRY& entry, DWORD code)
    {
        EXPECT_EQ(log_.registered, 1);
        EXPECT_EQ(log_.deregistered, 1);
        EXPECT_EQ(log_.deregisteredLog, kLogHandle);
        EXPECT_FALSE(log_.serverGiven);
#ifdef DRV_BUILD_UM
        EXPECT_EQ(log_.source, DRV_UM_EVENT_SOURCE);
#else
        EXPECT_EQ(log_.source, DRV_UI_EVENT_SOURCE);
#endif
        EXPECT_EQ(log_.events.size(), 1u);
        if (log_.events.size() != 1) return nullptr;
        const LoggedEvent& event = log_.events[0];
        EXPECT_EQ(event.log, kLogHandle);
        EXPECT_EQ(event.type, EVENTLOG_ERROR_TYPE);
        EXPECT_EQ(event.category, entry.category);
        EXPECT_EQ(event.id, code);
        EXPECT_FALSE(event.user);
        EXPECT_EQ(event.dataSize, 0u);
        EXPECT_FALSE(event.data);
        EXPECT_EQ(event.strings.size(), 1u);
        if (event.strings.size() != 1) return nullptr;
        const std::wstring& text = event.strings[0];
        EXPECT_LE(text.size(), EXCEPTION_REPORT_MAX_CHARS);
        EXPECT_EQ(text.rfind(L"CODE 0x" + Hex(code) + L" / DLL ", 0), 0u) << text;
        const std::wstring end = L"/ID " + std::to_wstring(entry.reportId);
        EXPECT_TRUE(text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0) << text;
        return &event;
    }

    EventLogRecorder log_;
    HINSTANCE saved_ = nullptr;
};

std::wstring ReportText(HMODULE module, DWORD code, const void* address, int id)
{
    return L"CODE 0x" + Hex(code) + L" / DLL " + ModulePath(module) + L" / BASEADDR 0x" +
           Hex(reinterpret_cast<ULONG_PTR>(module)) + L" / EXCEPTIONADDR 0x" +
           Hex(reinterpret_cast<ULONG_PTR>(address)) + L" /ID " + std::to_wstring(id);
}

// ---- The guard --------------------------------------------------------------------------------

TEST(ExceptionGuard, CatchesEveryKindOfExceptionThatLeavesTheBody)
{
    // RaiseException of kernel32 is carried out by kernelbase, where the system has one.
    HMODULE raiseModule = GetModuleHandleW(L"kernelbase.dll");
    if (!raiseModule) raiseModule = GetModuleHandleW(L"kernel32.dll");
    const struct {
        const char* name;
        void (*fault)();
        DWORD code;
        HMODULE module;  // that holds the exception address
        bool inFault;    // the address lies in the faulting function itself
    } cases[] = {
        {"access violation", WriteToBadAddress, EXCEPTION_ACCESS_VIOLATION, SelfModule(), true},
        {"illegal instruction", Trap, EXCEPTION_ILLEGAL_INSTRUCTION, SelfModule(), true},
        {"undefined-behaviour trap", OverflowSigned, EXCEPTION_ILLEGAL_INSTRUCTION, SelfModule(), true},
        {"integer division by zero", DivideByZero, EXCEPTION_INT_DIVIDE_BY_ZERO, SelfModule(), true},
        {"raised code", RaiseCustom, kCustomCode, raiseModule, false},
        {"C++ exception", ThrowCxx, DRV_STATUS_CXX_EXCEPTION, SelfModule(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXCEPTION_RECORD caught;
        memset(&caught, 0xCC, sizeof(caught));
        int entered = 0, finished = 0;
        EXPECT_FALSE(DrvRunGuarded(caught, [&] {
            ++entered;
            c.fault();
            ++finished;
        }));
        EXPECT_EQ(entered, 1);
        EXPECT_EQ(finished, 0);
        EXPECT_EQ(caught.ExceptionCode, c.code);
        EXPECT_EQ(ModuleOf(caught.ExceptionAddress), c.module);
        if (c.inFault) {
            EXPECT_TRUE(InsideFunction(caught.ExceptionAddress, c.fault)) << caught.ExceptionAddress;
        }
        EXPECT_EQ(caught.ExceptionRecord, nullptr);
        if (c.fault == WriteToBadAddress) {
            ASSERT_EQ(caught.NumberParameters, 2u);
            EXPECT_EQ(caught.ExceptionInformation[0], 1u);  // a write
            EXPECT_EQ(caught.ExceptionInformation[1], g_badAddress);
        } else if (c.fault == RaiseCustom) {
            ASSERT_EQ(caught.NumberParameters, 2u);
            EXPECT_EQ(caught.ExceptionInformation[0], 7u);
            EXPECT_EQ(caught.ExceptionInformation[1], 9u);
        } else if (c.fault == ThrowCxx) {
            EXPECT_EQ(caught.NumberParameters, 0u);
            EXPECT_EQ(std::uncaught_exceptions(), 0);
        }
    }
}

TEST(ExceptionGuard, BodyThatReturnsRunsOnceAndKeepsTheRecordUntouched)
{
    EXCEPTION_RECORD caught;
    memset(&caught, 0xCC, sizeof(caught));
    int runs = 0;
    EXPECT_TRUE(DrvRunGuarded(caught, [&] { ++runs; }));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(caught.ExceptionCode, 0xCCCCCCCCu);
}

// What a handler inside the body takes never reaches the guard: the body runs to its end.
TEST(ExceptionGuard, ExceptionsHandledInsideTheBodyAreNotSeen)
{
    const struct {
        const char* name;
        bool (*body)();  // true when the body saw what it expected
    } cases[] = {
        {"C++ try/catch", [] {
             try {
                 ThrowCxx();
             } catch (const std::runtime_error&) {
                 return true;
             }
             return false;
         }},
        {"nested guard", [] {
             EXCEPTION_RECORD inner;
             return !DrvRunGuarded(inner, WriteToBadAddress) && inner.ExceptionCode == EXCEPTION_ACCESS_VIOLATION;
         }},
        // System code that checks a pointer under a handler of its own.
        {"IsBadReadPtr", [] { return IsBadReadPtr(reinterpret_cast<const void*>(g_badAddress), 4) != FALSE; }},
        {"IsBadWritePtr", [] { return IsBadWritePtr(reinterpret_cast<void*>(g_badAddress), 4) != FALSE; }},
        // Raises DBG_PRINTEXCEPTION_C and handles it itself.
        {"OutputDebugString", [] {
             OutputDebugStringW(L"guard test\n");
             return true;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXCEPTION_RECORD caught;
        bool sawExpected = false;
        EXPECT_TRUE(DrvRunGuarded(caught, [&] { sawExpected = c.body(); }));
        EXPECT_TRUE(sawExpected);
    }
}

TEST(ExceptionGuard, NestedGuardsEachTakeTheirOwnException)
{
    EXCEPTION_RECORD outer, middle, inner;
    bool innerResult = true, middleResult = true;
    int afterInner = 0;
    EXPECT_FALSE(DrvRunGuarded(outer, [&] {
        middleResult = DrvRunGuarded(middle, [&] {
            innerResult = DrvRunGuarded(inner, Trap);
            ++afterInner;
            ThrowCxx();
        });
        RaiseCustom();
    }));
    EXPECT_FALSE(innerResult);
    EXPECT_EQ(inner.ExceptionCode, EXCEPTION_ILLEGAL_INSTRUCTION);
    EXPECT_EQ(afterInner, 1);
    EXPECT_FALSE(middleResult);
    EXPECT_EQ(middle.ExceptionCode, DRV_STATUS_CXX_EXCEPTION);
    EXPECT_EQ(outer.ExceptionCode, kCustomCode);

    // The guards are gone from the stack: a later guard starts afresh.
    EXCEPTION_RECORD again;
    EXPECT_FALSE(DrvRunGuarded(again, DivideByZero));
    EXPECT_EQ(again.ExceptionCode, EXCEPTION_INT_DIVIDE_BY_ZERO);
}

// A structured exception leaves the C++ objects of the body's frames undestroyed (the C++
// run-time runs cleanups for its own exceptions only); a C++ exception destroys them.
TEST(ExceptionGuard, DestructorsOfTheBodyRunForCxxExceptionsOnly)
{
    static int destroyed;
    struct Counted {
        ~Counted() { ++destroyed; }
    };
    const struct {
        const char* name;
        void (*fault)();
        int destroyed;
    } cases[] = {
        {"access violation", WriteToBadAddress, 0},
        {"illegal instruction", Trap, 0},
        {"raised code", RaiseCustom, 0},
        {"C++ exception", ThrowCxx, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        destroyed = 0;
        EXCEPTION_RECORD caught;
        EXPECT_FALSE(DrvRunGuarded(caught, [&] {
            Counted outerLocal;
            [&] {
                Counted innerLocal;
                c.fault();
            }();
        }));
        EXPECT_EQ(destroyed, c.destroyed);
    }
    // The C++ run-time is left in order: exceptions thrown and caught afterwards behave.
    EXPECT_EQ(std::uncaught_exceptions(), 0);
    bool caughtLater = false;
    try {
        ThrowCxx();
    } catch (const std::runtime_error&) {
        caughtLater = true;
    }
    EXPECT_TRUE(caughtLater);
}

// Three overflows in a row on a small stack, each in a guard of its own.
struct OverflowRounds {
    int caught = 0;
    DWORD codes[3] = {};
};

DWORD WINAPI OverflowThread(LPVOID context)
{
    auto* rounds = static_cast<OverflowRounds*>(context);
    for (int round = 0; round < 3; ++round) {
        EXCEPTION_RECORD caught;
        if (!DrvRunGuarded(caught, [] { g_sink = Recurse(0); })) rounds->codes[rounds->caught++] = caught.ExceptionCode;
    }
    return 0;
}

// The guard page of the stack is used up by the first overflow; the guard lays it again, so that
// the next overflow is caught as well instead of ending the process.
TEST(ExceptionGuard, StackOverflowIsCaughtEveryTime)
{
    OverflowRounds rounds;
    HANDLE thread = CreateThread(nullptr, 256 * 1024, OverflowThread, &rounds, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 60000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeThread(thread, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(thread);
    ASSERT_EQ(rounds.caught, 3);
    for (DWORD code : rounds.codes) EXPECT_EQ(code, static_cast<DWORD>(EXCEPTION_STACK_OVERFLOW));
}

TEST(ExceptionGuard, ThreadsFaultInGuardsAtTheSameTime)
{
    constexpr int kThreads = 4, kRounds = 200;
    std::vector<int> wrong(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &wrong] {
            for (int round = 0; round < kRounds; ++round) {
                // Each thread writes to an address of its own, so a record taken from another
                // thread shows.
                const ULONG_PTR address = 0x100 + 0x10 * t;
                EXCEPTION_RECORD caught;
                const bool finished = DrvRunGuarded(caught, [&] {
                    if (round % 2)
                        *reinterpret_cast<volatile int*>(address) = round;
                    else
                        RaiseException(kCustomCode, 0, 1, &address);
                });
                const DWORD code = round % 2 ? EXCEPTION_ACCESS_VIOLATION : kCustomCode;
                const ULONG_PTR parameter = round % 2 ? caught.ExceptionInformation[1] : caught.ExceptionInformation[0];
                if (finished || caught.ExceptionCode != code || parameter != address) ++wrong[t];
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

// ---- Guarded entry points and their reports ---------------------------------------------------------

template <class Result> Result FaultingEntryBody()
{
    WriteToBadAddress();
    if constexpr (!std::is_void_v<Result>) return Result{};
}

#ifdef DRV_BUILD_UM
TEST_F(ExceptionReportTest, FaultingHookReturnsItsFailureValueAndReportsOnce)
{
    // DrvTextOut returns FALSE, DrvEnablePDEV NULL, DrvEscape 0, DrvDisablePDEV nothing.
    const struct {
        const GUARDED_ENTRY* entry;
        WORD category;
        int id;
    } cases[] = {{&DdiGuard::DrvTextOut, 24, 114},
                 {&DdiGuard::DrvEnablePDEV, 1, 101},
                 {&DdiGuard::DrvEscape, 25, 119},
                 {&DdiGuard::DrvDisablePDEV, 3, 102}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        log_.events.clear();
        log_.registered = log_.deregistered = 0;
        if (c.entry == &DdiGuard::DrvEnablePDEV)
            EXPECT_EQ(DrvGuardedCall(*c.entry, [] { return FaultingEntryBody<void*>(); }), nullptr);
        else if (c.entry == &DdiGuard::DrvEscape)
            EXPECT_EQ(DrvGuardedCall(*c.entry, [] { return FaultingEntryBody<ULONG>(); }), 0u);
        else if (c.entry == &DdiGuard::DrvDisablePDEV)
            DrvGuardedCall(*c.entry, [] { FaultingEntryBody<void>(); });
        else
            EXPECT_EQ(DrvGuardedCall(*c.entry, [] { return FaultingEntryBody<BOOL>(); }), FALSE);
        EXPECT_EQ(c.entry->category, c.category);
        EXPECT_EQ(c.entry->reportId, c.id);
        const LoggedEvent* event = OneEvent(*c.entry, EXCEPTION_ACCESS_VIOLATION);
        ASSERT_NE(event, nullptr);
        EXPECT_NE(event->strings[0].find(L" / DLL " + ModulePath(SelfModule()) + L" / BASEADDR 0x" +
                                         Hex(reinterpret_cast<ULONG_PTR>(SelfModule())) + L" / "),
                  std::wstring::npos)
            << event->strings[0];
    }
}

TEST_F(ExceptionReportTest, ReportDdiExceptionAnswersTheDeregistration)
{
    EXCEPTION_RECORD record{};
    record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
    record.ExceptionAddress = reinterpret_cast<void*>(&WriteToBadAddress);
    EXPECT_EQ(ReportDdiException(24, &record, 114), TRUE);
    EXPECT_EQ(log_.events.size(), 1u);
    log_.registerFails = true;
    EXPECT_EQ(ReportDdiException(24, &record, 114), FALSE);
    EXPECT_EQ(log_.events.size(), 1u);
}
#else
TEST_F(ExceptionReportTest, FaultingEntryPointReturnsMinusOneAndReportsOnce)
{
    const struct {
        const GUARDED_ENTRY* entry;
        WORD category;
        int id;
    } cases[] = {{&UiGuard::DrvDeviceCapabilities, 1019, 3},
                 {&UiGuard::DrvDocumentEvent, 1006, 1},
                 {&UiGuard::DrvDocumentPropertySheets, 1002, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        log_.events.clear();
        log_.registered = log_.deregistered = 0;
        if (c.entry == &UiGuard::DrvDeviceCapabilities)
            EXPECT_EQ(DrvGuardedCall(*c.entry, [] { return FaultingEntryBody<DWORD>(); }), 0xFFFFFFFFu);
        else if (c.entry == &UiGuard::DrvDocumentEvent)
            EXPECT_EQ(DrvGuardedCall(*c.entry, [] { return FaultingEntryBody<INT>(); }), -1);
        else
            EXPECT_EQ(DrvGuardedCall(*c.entry, [] { return FaultingEntryBody<LONG>(); }), -1L);
        EXPECT_EQ(c.entry->category, c.category);
        EXPECT_EQ(c.entry->reportId, c.id);
        const LoggedEvent* event = OneEvent(*c.entry, EXCEPTION_ACCESS_VIOLATION);
        ASSERT_NE(event, nullptr);
        EXPECT_NE(event->strings[0].find(L" / DLL " + ModulePath(SelfModule()) + L" / BASEADDR 0x" +
                                         Hex(reinterpret_cast<ULONG_PTR>(SelfModule())) + L" / "),
                  std::wstring::npos)
            << event->strings[0];
    }
}
#endif

#ifdef DRV_BUILD_UM
const GUARDED_ENTRY& kEntry = DdiGuard::DrvTextOut;
using EntryResult = BOOL;
constexpr EntryResult kFailure = FALSE, kSuccess = TRUE;
#else
const GUARDED_ENTRY& kEntry = UiGuard::DrvDeviceCapabilities;
using EntryResult = DWORD;
constexpr EntryResult kFailure = 0xFFFFFFFF, kSuccess = 42;
#endif

TEST_F(ExceptionReportTest, EntryPointWithoutExceptionReturnsTheBodysResultAndReportsNothing)
{
    EXPECT_EQ(DrvGuardedCall(kEntry, [] { return kSuccess; }), kSuccess);
    EXPECT_EQ(log_.registered, 0);
    EXPECT_TRUE(log_.events.empty());
}

TEST_F(ExceptionReportTest, NamesTheModuleThatHoldsTheAddress)
{
    LooseCode loose;
    ASSERT_TRUE(loose.ready());
    g_looseCode = &loose;
    const struct {
        const char* name;
        void (*fault)();
        DWORD code;
        HMODULE module;
    } cases[] = {
        {"this library", WriteToBadAddress, EXCEPTION_ACCESS_VIOLATION, SelfModule()},
        {"a system library", FaultInsideNtdll, EXCEPTION_ACCESS_VIOLATION, GetModuleHandleW(L"ntdll.dll")},
        {"no module: this library", RunLooseCode, EXCEPTION_ILLEGAL_INSTRUCTION, SelfModule()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Where the fault happens, learnt from a first run.
        EXCEPTION_RECORD seen{};
        EXPECT_FALSE(DrvRunGuarded(seen, c.fault));
        EXPECT_EQ(ModuleOf(seen.ExceptionAddress), c.fault == RunLooseCode ? nullptr : c.module);
        if (c.fault == RunLooseCode) {
            EXPECT_EQ(seen.ExceptionAddress, loose.address());
        }

        log_.events.clear();
        log_.registered = log_.deregistered = 0;
        EXPECT_EQ(DrvGuardedCall(kEntry, [&] {
                      c.fault();
                      return kSuccess;
                  }),
                  kFailure);
        const LoggedEvent* event = OneEvent(kEntry, c.code);
        ASSERT_NE(event, nullptr);
        EXPECT_EQ(event->strings[0], ReportText(c.module, c.code, seen.ExceptionAddress, kEntry.reportId));
    }
    g_looseCode = nullptr;
}

TEST_F(ExceptionReportTest, WithoutAnEventSourceNothingIsReportedAndTheFailureStands)
{
    log_.registerFails = true;
    EXPECT_EQ(DrvGuardedCall(kEntry, [] { return FaultingEntryBody<EntryResult>(); }), kFailure);
    EXPECT_EQ(log_.registered, 1);
    EXPECT_TRUE(log_.events.empty());
    EXPECT_EQ(log_.deregistered, 0);
}

// ---- The module list --------------------------------------------------------------------------------

// EnumProcessModules answers a list of the given length, the module that holds the address at the
// given position and kernel32 everywhere else; it writes no more than it is given room for, as
// the system does, and reports the room the whole list needs.
struct ModuleListFake {
    bool fails = false;
    size_t length = 0, position = 0;
    HMODULE holder = nullptr;
    std::vector<DWORD> roomGiven;
};
ModuleListFake* g_moduleList;

BOOL WINAPI FakeEnumProcessModules(HANDLE, HMODULE* modules, DWORD room, LPDWORD needed)
{
    g_moduleList->roomGiven.push_back(room);
    if (g_moduleList->fails) {
        SetLastError(ERROR_PARTIAL_COPY);
        return FALSE;
    }
    const HMODULE other = GetModuleHandleW(L"kernel32.dll");
    for (size_t i = 0; i < g_moduleList->length && (i + 1) * sizeof(HMODULE) <= room; ++i)
        modules[i] = i == g_moduleList->position ? g_moduleList->holder : other;
    *needed = static_cast<DWORD>(g_moduleList->length * sizeof(HMODULE));
    return TRUE;
}

TEST_F(ExceptionReportTest, ModuleListOfAnyLengthIsSearchedWhole)
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const void* inNtdll = reinterpret_cast<const void*>(GetProcAddress(ntdll, "wcslen"));
    ASSERT_NE(inNtdll, nullptr);
    const struct {
        const char* name;
        bool fails;
        size_t length, position;
        HMODULE named;
    } cases[] = {
        {"first of a few", false, 3, 0, ntdll},
        {"beyond 1024", false, 1030, 1029, ntdll},
        {"listed nowhere", false, 1030, 1030, SelfModule()},
        {"list unavailable", true, 0, 0, SelfModule()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ModuleListFake list{c.fails, c.length, c.position, ntdll, {}};
        g_moduleList = &list;
        ImportPatch patch(SelfModule(), "psapi.dll", "EnumProcessModules",
                          reinterpret_cast<const void*>(&FakeEnumProcessModules));
        ASSERT_TRUE(patch.active());
        log_.events.clear();
        log_.registered = log_.deregistered = 0;
        EXCEPTION_RECORD record{};
        record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
        record.ExceptionAddress = const_cast<void*>(inNtdll);
        DrvReportGuardedException(kEntry, record);
        g_moduleList = nullptr;
        const LoggedEvent* event = OneEvent(kEntry, EXCEPTION_ACCESS_VIOLATION);
        ASSERT_NE(event, nullptr);
        EXPECT_EQ(event->strings[0], ReportText(c.named, EXCEPTION_ACCESS_VIOLATION, inNtdll, kEntry.reportId));
        // Asked again with room for the whole list (and then some) when the first room was short.
        ASSERT_FALSE(list.roomGiven.empty());
        if (!c.fails && c.length * sizeof(HMODULE) > list.roomGiven[0]) {
            ASSERT_EQ(list.roomGiven.size(), 2u);
            EXPECT_GE(list.roomGiven[1], c.length * sizeof(HMODULE));
        }
    }
}

// Each thread sees a module list of its own, which holds the module of its address; another
// thread's list does not. The list is written, then the thread yields, as a busy process would.
thread_local HMODULE t_listedModule;

BOOL WINAPI FakeEnumProcessModulesOfThread(HANDLE, HMODULE* modules, DWORD room, LPDWORD needed)
{
    constexpr size_t kLength = 8, kPosition = 5;
    const HMODULE other = GetModuleHandleW(nullptr);
    for (size_t i = 0; i < kLength && (i + 1) * sizeof(HMODULE) <= room; ++i)
        modules[i] = i == kPosition ? t_listedModule : other;
    *needed = kLength * sizeof(HMODULE);
    Sleep(0);
    return TRUE;
}

// Reports written on several threads at once each name the module of their own address.
TEST_F(ExceptionReportTest, ReportsOnSeveralThreadsKeepTheirOwnModuleLists)
{
    ImportPatch patch(SelfModule(), "psapi.dll", "EnumProcessModules",
                      reinterpret_cast<const void*>(&FakeEnumProcessModulesOfThread));
    ASSERT_TRUE(patch.active());
    std::vector<HMODULE> modules;
    for (const wchar_t* name : {L"ntdll.dll", L"kernel32.dll", L"msvcrt.dll", L"advapi32.dll"}) {
        const HMODULE module = GetModuleHandleW(name);
        ASSERT_NE(module, nullptr) << name;
        modules.push_back(module);
    }
    // An address inside each module's image (its headers).
    auto addressIn = [](HMODULE module) { return static_cast<const void*>(reinterpret_cast<const BYTE*>(module) + 0x10); };
    constexpr int kRounds = 40;
    std::vector<std::thread> threads;
    for (size_t t = 0; t < modules.size(); ++t) {
        threads.emplace_back([&, t] {
            t_listedModule = modules[t];
            EXCEPTION_RECORD record{};
            record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
            record.ExceptionAddress = const_cast<void*>(addressIn(modules[t]));
            const GUARDED_ENTRY entry = {kEntry.category, static_cast<int>(t), kEntry.failure};
            for (int round = 0; round < kRounds; ++round) DrvReportGuardedException(entry, record);
        });
    }
    for (auto& thread : threads) thread.join();

    ASSERT_EQ(log_.events.size(), modules.size() * kRounds);
    std::vector<int> wrong(modules.size(), 0);
    for (const LoggedEvent& event : log_.events) {
        ASSERT_EQ(event.strings.size(), 1u);
        const std::wstring& text = event.strings[0];
        const size_t t = static_cast<size_t>(text.back() - L'0');
        ASSERT_LT(t, modules.size()) << text;
        if (text != ReportText(modules[t], EXCEPTION_ACCESS_VIOLATION, addressIn(modules[t]), static_cast<int>(t)))
            ++wrong[t];
    }
    for (size_t t = 0; t < modules.size(); ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

// ---- The report text --------------------------------------------------------------------------------

TEST(ExceptionReportText, KeepsItsFormNeverCutsANumberAndStaysWithinBounds)
{
    const std::wstring longPath = L"C:\\" + std::wstring(500, L'p') + L".DLL";
    const struct {
        const char* name;
        DWORD code;
        std::wstring path;
        ULONG_PTR base, address;
        int id;
        size_t cch;
        std::wstring expected;
    } cases[] = {
        {"32-bit values", 0xC0000005, L"C:\\W\\VRDA_UM.DLL", 0x10000000, 0x1000ABCD, 114, 388,
         L"CODE 0xC0000005 / DLL C:\\W\\VRDA_UM.DLL / BASEADDR 0x10000000 / EXCEPTIONADDR 0x1000ABCD /ID 114"},
        {"small values take eight digits", 0x5, L"A.DLL", 0x1000, 0, 0, 388,
         L"CODE 0x00000005 / DLL A.DLL / BASEADDR 0x00001000 / EXCEPTIONADDR 0x00000000 /ID 0"},
        {"negative id", 0xE0001234, L"A.DLL", 0x400000, 0x400010, INT_MIN, 388,
         L"CODE 0xE0001234 / DLL A.DLL / BASEADDR 0x00400000 / EXCEPTIONADDR 0x00400010 /ID -2147483648"},
#ifdef _WIN64
        {"64-bit addresses are not cut", 0xC000001D, L"B.DLL", 0x140000000, 0x7FFE12345678, 3, 388,
         L"CODE 0xC000001D / DLL B.DLL / BASEADDR 0x140000000 / EXCEPTIONADDR 0x7FFE12345678 /ID 3"},
        {"all sixteen digits", 0xC0000005, L"B.DLL", 0xFFFFFFFFFFFFFFFF, 0x8000000000000000, 1, 388,
         L"CODE 0xC0000005 / DLL B.DLL / BASEADDR 0xFFFFFFFFFFFFFFFF / EXCEPTIONADDR 0x8000000000000000 /ID 1"},
#endif
        {"no path", 0xC0000005, L"", 0x1000, 0x1001, 7, 388,
         L"CODE 0xC0000005 / DLL  / BASEADDR 0x00001000 / EXCEPTIONADDR 0x00001001 /ID 7"},
        // The buffer is smaller than the text: the path gives way, the numbers stay.
        {"short buffer shortens the path", 0xC0000005, L"C:\\LONGNAME.DLL", 0x1000, 0x1001, 7, 84,
         L"CODE 0xC0000005 / DLL C:\\LON / BASEADDR 0x00001000 / EXCEPTIONADDR 0x00001001 /ID 7"},
        {"too short for the numbers: cut at the end", 0xC0000005, L"C:\\X.DLL", 0x1000, 0x1001, 7, 20,
         L"CODE 0xC0000005 / D"},
        {"one character", 0xC0000005, L"C:\\X.DLL", 0x1000, 0x1001, 7, 1, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<wchar_t> text(c.cch + 8, L'#');
        const size_t length = FormatExceptionReport(text.data(), c.cch, c.code, c.path.c_str(), c.base, c.address, c.id);
        EXPECT_EQ(std::wstring(text.data()), c.expected);
        EXPECT_EQ(length, c.expected.size());
        for (size_t i = c.cch; i < text.size(); ++i) EXPECT_EQ(text[i], L'#') << "written past the buffer at " << i;
    }

    // A path too long for the report is shortened so that the text stays within its 387
    // characters and still ends with the id.
    wchar_t text[600];
    const size_t length = FormatExceptionReport(text, 600, 0xC0000005, longPath.c_str(), 0x1000, 0x1001, 114);
    EXPECT_EQ(length, EXCEPTION_REPORT_MAX_CHARS);
    EXPECT_EQ(wcslen(text), EXCEPTION_REPORT_MAX_CHARS);
    const std::wstring report(text);
    EXPECT_EQ(report.rfind(L"CODE 0xC0000005 / DLL C:\\ppp", 0), 0u);
    const std::wstring end = L" / BASEADDR 0x00001000 / EXCEPTIONADDR 0x00001001 /ID 114";
    EXPECT_EQ(report.compare(report.size() - end.size(), end.size(), end), 0) << report;
    EXPECT_EQ(FormatExceptionReport(nullptr, 10, 0, L"", 0, 0, 0), 0u);
}

}  // namespace
