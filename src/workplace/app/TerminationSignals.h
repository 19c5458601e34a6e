#pragma once
// SIGTERM and SIGINT (the session ending, a service manager, Ctrl+C) end the
// message loop the way closing the main window does, so the shut-down still
// releases the interlock, makes the exit archive and records the stop.
void EndLoopOnTerminationSignals();
