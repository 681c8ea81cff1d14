// Signals and the actions that must run however the process ends.
//
// SIGINT raises the Escape condition through the host flags; a second
// SIGINT while that Escape is still pending, or a third within two
// seconds, ends the engine at once with status 130. SIGTERM and SIGHUP
// ask the interpreter to stop in an orderly way (status 143 and 129).
// The three are taken by a watcher thread (sigwait), so nothing beyond
// setting flags happens in signal context. Fatal signals (SIGSEGV, SIGBUS,
// SIGFPE, SIGILL, SIGABRT) run the restore actions from a handler and then
// end the process as the signal would.
#pragma once

#include <atomic>
#include <cstdint>

namespace kov::host::signals {

// A "restore on exit" action (the terminal mode, later open files). It may
// run from a signal handler, so it must only make async-signal-safe calls.
using RestoreAction = void (*)(void* context);

// Registers an action; returns its slot, or -1 when the table is full.
int add_restore_action(RestoreAction action, void* context);
// Removes a registered action (it has run or is no longer needed).
void remove_restore_action(int slot);
// Runs the registered actions, latest first, each at most once.
void run_restore_actions();

// Starts the watcher for SIGINT, SIGTERM and SIGHUP. Call on the main
// thread before any other thread is made: the signals are blocked there
// and in every thread created after. `flags` is the host flags byte.
// `on_emergency_exit` runs (normal context) just before an immediate exit.
void start(std::atomic<uint8_t>& flags, void (*on_emergency_exit)());

// Tells the watcher the run is over: an immediate exit no longer needs to
// wait for it.
void run_finished();

// True when a SIGINT arrived during the run.
bool interrupted();

// The exit status a signal asked for (130, 143, 129), or 0.
int requested_status();

}  // namespace kov::host::signals
