#pragma once

#include <functional>
#include <thread>

// Starts a thread that never takes a signal, from its first instruction on: signals belong to
// the run's thread, which holds them back while it replaces the output. Throws
// std::system_error when no thread is to be had.
std::thread startSignalFreeThread(std::function<void()> work);
