#pragma once
// Which pages the main window can show.
class TfMain;

// Registers every page the workplace has with the main window.
void RegisterWorkplacePages(TfMain &main);
