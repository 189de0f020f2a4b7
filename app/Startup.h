// Start-up of the program, from the framework's plugin classes to the
// event loop.
#pragma once

#include <exception>
#include <functional>

// The framework initialises the classes its plugins registered.
void _RuntimeInitExternalClasses();
// Creates the application object with MenuBar1 as its menu bar and
// registers it with the framework.
void _NewAppInstance();
// The application object has no menu handlers.
void _ApplicationAddMenuHandlers();
// Opens the first window, the splash.
void _MakeDefaultView();
// Hands an exception nothing caught to the framework's handler.
void _UnhandledException(const std::exception& e);

// Runs the start-up steps in order, then the event loop until the program
// quits. An exception escaping any step ends in _UnhandledException, and
// _Main returns.
void _Main();

// Tests: called with each step's name ("_RuntimeInitExternalClasses",
// "_InitPluginEntrypoints", "_InitFileTypes", "_NewAppInstance",
// "_ApplicationAddMenuHandlers", "_MakeDefaultView", "_RuntimeRun") just
// before the step runs; an exception it throws counts as the step's.
void SetStartupObserverForTesting(std::function<void(const char* step)> observer);
