#pragma once
// A failure inside a data-aware control's own event handling (writing a field,
// starting an edit) cannot pass through the event loop: the control shows it
// in an error box instead, as the application's exception handler would.
#include <exception>

void ReportControlFailure(const std::exception &error);
