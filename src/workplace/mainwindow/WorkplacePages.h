#pragma once
// Which pages the main window can show, and its data actions.
class TfMain;

// Registers every page the workplace has with the main window, and the
// handlers of its data actions.
void RegisterWorkplacePages(TfMain &main);
