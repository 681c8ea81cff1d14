#include "host/signals.h"

#include <pthread.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

namespace kov::host::signals {

namespace {

constexpr int kMaxActions = 8;

struct Slot {
    std::atomic<RestoreAction> action{nullptr};
    std::atomic<void*> context{nullptr};
};

Slot g_actions[kMaxActions];
std::atomic<uint8_t>* g_flags = nullptr;
void (*g_on_emergency_exit)() = nullptr;
std::atomic<bool> g_finished{false};
std::atomic<int> g_status{0};
std::atomic<bool> g_interrupted{false};

constexpr uint8_t kQuitFlag = 0x01;
constexpr uint8_t kEscapeFlag = 0x80;

int64_t now_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1000 + ts.tv_nsec / 1000000;
}

// Ends the process now: the interpreter is asked to stop, and given a
// moment to flush what it printed; then the restore actions run.
[[noreturn]] void exit_now(int status) {
    g_status.store(status);
    if (g_flags) g_flags->fetch_or(kQuitFlag);
    for (int waited = 0; waited < 100 && !g_finished.load(); ++waited) usleep(10000);
    if (g_on_emergency_exit) g_on_emergency_exit();
    run_restore_actions();
    _exit(status);
}

void* watcher(void*) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    int64_t interrupts[2] = {-100000, -100000};   // times of the two SIGINTs before
    for (;;) {
        int sig = 0;
        if (sigwait(&set, &sig) != 0) continue;
        if (sig == SIGINT) {
            g_interrupted.store(true);
            int64_t t = now_ms();
            bool pending = g_flags && (g_flags->load() & kEscapeFlag);
            bool third = t - interrupts[0] < 2000;
            interrupts[0] = interrupts[1];
            interrupts[1] = t;
            if (pending || third) exit_now(130);
            if (g_flags) g_flags->fetch_or(kEscapeFlag);
        } else {
            int status = sig == SIGTERM ? 143 : 129;
            if (g_status.load() != 0) exit_now(status);   // asked twice: do not wait for it
            g_status.store(status);
            if (g_flags) g_flags->fetch_or(kQuitFlag);
            // An interpreter that does not stop within a few seconds is
            // stopped for it.
            for (int waited = 0; waited < 300 && !g_finished.load(); ++waited) usleep(10000);
            if (!g_finished.load()) exit_now(status);
        }
    }
    return nullptr;
}

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
struct sigaction g_previous[64];

// A fatal signal: the restore actions run, then the handler that was there
// before (the default, or a sanitizer's) takes over. A fault returns to the
// faulting instruction, which faults again into that handler with its real
// context; a signal that was sent is raised again.
void fatal_handler(int sig, siginfo_t* info, void*) {
    run_restore_actions();
    if (sig > 0 && sig < 64) sigaction(sig, &g_previous[sig], nullptr);
    if (!info || info->si_code <= 0 || sig == SIGABRT) raise(sig);
}

}  // namespace

int add_restore_action(RestoreAction action, void* context) {
    // Registration happens on the main thread; the context is in place
    // before the action becomes visible to a handler.
    for (int k = 0; k < kMaxActions; ++k) {
        if (g_actions[k].action.load()) continue;
        g_actions[k].context.store(context);
        g_actions[k].action.store(action);
        return k;
    }
    return -1;
}

void remove_restore_action(int slot) {
    if (slot >= 0 && slot < kMaxActions) g_actions[slot].action.store(nullptr);
}

void run_restore_actions() {
    for (int k = kMaxActions - 1; k >= 0; --k) {
        RestoreAction action = g_actions[k].action.exchange(nullptr);
        if (action) action(g_actions[k].context.load());
    }
}

void start(std::atomic<uint8_t>& flags, void (*on_emergency_exit)()) {
    g_flags = &flags;
    g_on_emergency_exit = on_emergency_exit;
    signal(SIGPIPE, SIG_IGN);   // a closed pipe shows as a failed write
    for (int sig : kFatalSignals) {
        struct sigaction sa {};
        sa.sa_sigaction = fatal_handler;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigaction(sig, &sa, &g_previous[sig]);
    }
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    pthread_t thread;
    if (pthread_create(&thread, nullptr, watcher, nullptr) == 0) pthread_detach(thread);
}

void run_finished() { g_finished.store(true); }

bool interrupted() { return g_interrupted.load(); }

int requested_status() { return g_status.load(); }

}  // namespace kov::host::signals
