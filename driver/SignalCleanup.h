#pragma once

#include <signal.h>

// A run killed by a signal must not leave its half-written temporary file behind. The handlers
// remove the one file registered here, then let the signal take its default course (the exit
// status a shell expects for it). Only signals with their default action are handled: those
// ignored when the program started stay ignored, so `nohup` and background jobs behave as usual.
void installSignalCleanup();

// Registers the file to remove when a signal ends the run, or none for nullptr. The text must
// stay valid until it is replaced; the handler reads it without allocating.
void removeOnSignal(const char* path);

// Registers the terminal on which a status line stands, or none for -1: a signal that ends the
// run erases the line there first, so that what the shell writes next starts on a clean line.
void eraseLineOnSignal(int terminal);

// Holds back the handled signals for its lifetime, so that creating or renaming the temporary
// file and registering it happen as one step from a handler's point of view.
class SignalsHeldBack {
public:
    SignalsHeldBack();
    ~SignalsHeldBack();
    SignalsHeldBack(const SignalsHeldBack&) = delete;
    SignalsHeldBack& operator=(const SignalsHeldBack&) = delete;

private:
    sigset_t previous;
};
