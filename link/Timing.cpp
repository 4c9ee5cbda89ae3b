#include "link/Timing.h"

#include <chrono>
#include <ctime>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/time.h>
#include <time.h>

#include <cerrno>
#endif

#include "link/LinkTrace.h"

namespace updater {

namespace {

// Each update waits on its own thread: a bench of radios keeps one trace per radio.
thread_local LinkTrace* waitTrace = nullptr;

void TraceWait(uint32_t ms) {
    if (waitTrace != nullptr) waitTrace->Waited(ms);
}

}  // namespace

void SetWaitTrace(LinkTrace* trace) { waitTrace = trace; }

LinkTrace* WaitTrace() { return waitTrace; }

void SleepMs(uint32_t ms) {
    if (ms == 0) return;
    TraceWait(ms);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

#ifdef _WIN32

namespace {

// The default 15.6 ms scheduler tick would round a 50 ms wait up to 62.5 ms; a 1 ms timer
// resolution for the life of the process keeps sleeps within a millisecond.
struct FineTimerResolution {
    FineTimerResolution() { timeBeginPeriod(1); }
    ~FineTimerResolution() { timeEndPeriod(1); }
};

}  // namespace

void WaitUntil(std::chrono::steady_clock::time_point deadline) {
    static const FineTimerResolution resolution;
    using Clock = std::chrono::steady_clock;
    for (auto now = Clock::now(); now < deadline; now = Clock::now()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        Sleep(static_cast<DWORD>(left.count()));
    }
}

void WaitMs(uint32_t ms) {
    if (ms == 0) return;
    TraceWait(ms);
    WaitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms));
}

LocalTime LocalTimeNow() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return LocalTime{st.wYear, st.wMonth,  st.wDayOfWeek, st.wDay,
                     st.wHour, st.wMinute, st.wSecond,    st.wMilliseconds};
}

#else

void WaitUntil(std::chrono::steady_clock::time_point deadline) {
    using Clock = std::chrono::steady_clock;
    for (auto now = Clock::now(); now < deadline; now = Clock::now()) {
        std::this_thread::sleep_for(deadline - now);
    }
}

void WaitMs(uint32_t ms) {
    if (ms == 0) return;
    TraceWait(ms);
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += ms / 1000;
    deadline.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    // An absolute deadline keeps the wait exact across interruptions by signals.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}

LocalTime LocalTimeNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    auto field = [](long value) { return static_cast<uint16_t>(value); };
    return LocalTime{field(local.tm_year + 1900), field(local.tm_mon + 1),
                     field(local.tm_wday),        field(local.tm_mday),
                     field(local.tm_hour),        field(local.tm_min),
                     field(local.tm_sec),         field(now.tv_nsec / 1000000L)};
}

#endif

}  // namespace updater
